// The benchmarks' own arithmetic and baselines, checked without any timing: a wrong percentile
// or a baseline that does less than the driver would publish wrong figures.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "portio/PortIoLibrary.h"
#include "support/ErrorSummary.h"
#include "support/HandDrivenLines.h"
#include "support/SharedDriver.h"

namespace {

struct SummaryCase {
    const char* name;
    std::vector<double> errorsNs;
    double toleranceNs;
    ErrorSummary expected;
};

void PrintTo(const SummaryCase& c, std::ostream* os) {
    *os << c.name;
}

class ErrorSummaryTest : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(ErrorSummaryTest, ReportsNearestRankFiguresAndEarlyWaits) {
    const SummaryCase& c = GetParam();
    const ErrorSummary s = summariseErrors(c.errorsNs, c.toleranceNs);
    EXPECT_EQ(s.samples, c.expected.samples);
    EXPECT_DOUBLE_EQ(s.minNs, c.expected.minNs);
    EXPECT_DOUBLE_EQ(s.medianNs, c.expected.medianNs);
    EXPECT_DOUBLE_EQ(s.p99Ns, c.expected.p99Ns);
    EXPECT_DOUBLE_EQ(s.maxNs, c.expected.maxNs);
    EXPECT_DOUBLE_EQ(s.earlyPercent, c.expected.earlyPercent);
    EXPECT_DOUBLE_EQ(s.earliestNs, c.expected.earliestNs);
    EXPECT_EQ(s.earlyBeyond, c.expected.earlyBeyond);
}

std::vector<double> oneToHundred() {
    std::vector<double> values;
    for (int i = 100; i >= 1; --i) {  // unsorted on purpose
        values.push_back(i);
    }
    return values;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ErrorSummaryTest,
    ::testing::Values(
        SummaryCase{"Empty", {}, 20, {}}, SummaryCase{"Single", {7}, 20, {1, 7, 7, 7, 7, 0, 0, 0}},
        // p99 of 100 values is the 99th, not the largest; the median the 50th.
        SummaryCase{"Hundred", oneToHundred(), 20, {100, 1, 50, 99, 100, 0, 0, 0}},
        // A wait exactly on time is not early; early ones are counted, the worst reported,
        // and those beyond the tolerance (one counter read) counted apart.
        SummaryCase{"Early", {0, -5, 30, -25, 10}, 20, {5, -25, 0, 30, 30, 40, 25, 1}},
        SummaryCase{"ShortByExactlyTheTolerance", {-20, 5}, 20, {2, -20, -20, 5, 5, 50, 20, 0}}),
    [](const ::testing::TestParamInfo<SummaryCase>& info) { return std::string(info.param.name); });

// What reached the port, in order: 'w' port value or 'r' port.
std::vector<std::string> traffic;
std::uint8_t statusAnswer = 0;

void PORTIO_CALL recordOut(short port, char value) {
    traffic.push_back("w" + std::to_string(port) + "=" +
                      std::to_string(static_cast<std::uint8_t>(value)));
}

char PORTIO_CALL recordIn(short port) {
    traffic.push_back("r" + std::to_string(port));
    statusAnswer = static_cast<std::uint8_t>(statusAnswer ^ StatusLine::ReadBack);
    return static_cast<char>(statusAnswer);
}

struct RecordingLibrary {
    void out(short port, char value) { recordOut(port, value); }
    char in(short port) { return recordIn(port); }
};

// The baseline must make exactly the driver's port operations, or the overhead it shows is
// not the driver's.
class HandDrivenLinesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        driver = sharedDriver();  // on the no-op library linked to this test
        ASSERT_NE(driver, nullptr);
        portIoLibrary.PortOut = recordOut;
        portIoLibrary.PortIn = recordIn;
        traffic.clear();
        statusAnswer = 0;
    }
    void TearDown() override { loadPortIoLibrary(); }  // the table back to the library's

    std::vector<std::string> driverTraffic(void (*operation)(ProgrammerDriver*)) {
        traffic.clear();
        statusAnswer = 0;
        operation(driver);
        return traffic;
    }

    ProgrammerDriver* driver = nullptr;
};

TEST_F(HandDrivenLinesTest, ShiftOutMakesTheDriversWrites) {
    const auto expected = driverTraffic([](ProgrammerDriver* d) { d->shiftOut(0x5A5A55, 24); });
    HandDrivenLines<RecordingLibrary> lines{RecordingLibrary{}};
    traffic.clear();
    lines.shiftOut(0x5A5A55, 24);
    EXPECT_EQ(traffic, expected);
    EXPECT_EQ(traffic.size(), static_cast<std::size_t>(shiftOutOperations(24)));
}

TEST_F(HandDrivenLinesTest, ShiftInByteMakesTheDriversWritesAndReads) {
    std::uint8_t fromDriver = 0;
    static std::uint8_t* result = &fromDriver;
    const auto expected = driverTraffic([](ProgrammerDriver* d) { *result = d->shiftInByte(); });
    HandDrivenLines<RecordingLibrary> lines{RecordingLibrary{}};
    traffic.clear();
    statusAnswer = 0;
    EXPECT_EQ(lines.shiftInByte(), fromDriver);
    EXPECT_EQ(traffic, expected);
    EXPECT_EQ(traffic.size(), static_cast<std::size_t>(ShiftInByteOperations));
}

}  // namespace
