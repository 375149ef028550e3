// SPDX-License-Identifier: MIT
// What the driver's runs through the program cannot show: unusable libraries, any change word on
// any register, every probe answer, release at destruction, and waits on a scripted counter.
#include "driver/Korvella4v4.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FakePortIo.h"

namespace {

using Log = std::vector<std::string>;

class Korvella4v4Test : public ::testing::Test {
  protected:
    void SetUp() override { resetFakePortIo(); }
};

struct UnusableLibrary {
    const char* name;
    void (*breakLibrary)(FakePortIo&);
};

class UnusableLibraryTest : public ::testing::TestWithParam<UnusableLibrary> {};

TEST_P(UnusableLibraryTest, DriverTouchesNoPortAndDetectsMinusOne) {
    resetFakePortIo();
    GetParam().breakLibrary(fakePortIo());
    {
        Korvella4v4 driver(888);
        EXPECT_EQ(driver.detectHardware(), -1);
    }
    // Destruction writes nothing either: PortOut may be missing.
    for (const std::string& entry : fakePortIo().log) {
        EXPECT_TRUE(entry[0] != 'W' && entry[0] != 'R') << entry;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Korvella4v4, UnusableLibraryTest,
    ::testing::Values(
        UnusableLibrary{"Missing", [](FakePortIo& io) { io.libraryPresent = false; }},
        UnusableLibrary{"NoIsDriverInstalled",
                        [](FakePortIo& io) { io.exportsIsDriverInstalled = false; }},
        UnusableLibrary{"NoPortOut", [](FakePortIo& io) { io.exportsPortOut = false; }},
        UnusableLibrary{"NoPortIn", [](FakePortIo& io) { io.exportsPortIn = false; }}),
    [](const auto& info) { return std::string(info.param.name); });

struct DetectionCase {
    bool first, second, third;
    std::int32_t result;
};

class DetectionTest : public Korvella4v4Test,
                      public ::testing::WithParamInterface<DetectionCase> {};

TEST_P(DetectionTest, ClassifiesThePresenceSamples) {
    const DetectionCase& c = GetParam();
    auto driver = std::make_unique<Korvella4v4>(888);
    // Every other status bit is noise that must not count.
    auto sample = [](bool set) { return static_cast<std::uint8_t>(set ? 0xFF : 0x7F); };
    fakePortIo().statusAnswers = {sample(c.first), sample(c.second), sample(c.third)};
    EXPECT_EQ(driver->detectHardware(), c.result);
}

INSTANTIATE_TEST_SUITE_P(
    AllSamples, DetectionTest,
    ::testing::Values(DetectionCase{false, false, false, 0}, DetectionCase{false, false, true, 0},
                      DetectionCase{false, true, false, 0}, DetectionCase{false, true, true, 0},
                      DetectionCase{true, false, false, 2}, DetectionCase{true, false, true, 2},
                      DetectionCase{true, true, false, 1}, DetectionCase{true, true, true, 0}),
    [](const auto& info) {
        const DetectionCase& c = info.param;
        return std::string("Samples") + (c.first ? "1" : "0") + (c.second ? "1" : "0") +
               (c.third ? "1" : "0");
    });

// Construction reads the counter three times: one discarded cold read, then the measured pair
// whose difference is taken off every wait. Then the wait: its start, and reads until one
// reaches the target.
struct CounterCase {
    const char* name;
    std::int64_t frequency;
    std::vector<std::int64_t> values;
    std::uint32_t microseconds;
    int reads;  // of the wait
};

class WaitTest : public Korvella4v4Test, public ::testing::WithParamInterface<CounterCase> {};

TEST_P(WaitTest, EndsAtTheFirstReadReachingTheTicksLessTheOverhead) {
    fakePortIo().counterFrequency = GetParam().frequency;
    fakePortIo().counterValues.assign(GetParam().values.begin(), GetParam().values.end());
    Korvella4v4 driver(888);
    fakePortIo().counterReads = 0;
    driver.delayUs(GetParam().microseconds);
    EXPECT_EQ(fakePortIo().counterReads, GetParam().reads);
}

constexpr std::int64_t high = std::int64_t{7} << 32;

INSTANTIATE_TEST_SUITE_P(
    Counter, WaitTest,
    ::testing::Values(
        // 10 MHz, overhead 0: 15 ms are 150,000 ticks; 149,999 is one short.
        CounterCase{"Exact", 10000000, {0, 7, 7, 1000, 150999, 151000, 9999999}, 15000, 3},
        // The cold pair would say 100 ticks; the warm pair says 4: 10 µs target 6 ticks.
        CounterCase{"ColdReadNotOverhead", 1000000, {0, 100, 104, 500, 505, 506, 999999}, 10, 3},
        // Low halves 2^32 - 2 and 3, the second in the next high half: overhead 5.
        CounterCase{"OverheadWraps",
                    1000000,
                    {0, high + 0xFFFFFFFE, high + (std::int64_t{1} << 32) + 3, 0, 4, 5, 999999},
                    10,
                    3},
        // 3 ticks per µs, overhead 5: the target is below zero, one more read ends the wait.
        CounterCase{"NegativeTarget", 3000000, {0, 10, 15, 100, 100, 999999}, 1, 2},
        // 300 s at nanosecond ticks must not overflow.
        CounterCase{"Erase",
                    1000000000,
                    {0, 0, 0, 5, 5 + 300000000000LL - 1, 5 + 300000000000LL, 0},
                    300000000,
                    3}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
