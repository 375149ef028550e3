#include "driver/Korvella4v4.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FakePortIo.h"

namespace {

using Log = std::vector<std::string>;

const Log constructionWrites = {"W 888 00", "W 889 00", "W 890 09", "W 890 09"};

class Korvella4v4Test : public ::testing::Test {
  protected:
    void SetUp() override { resetFakePortIo(); }

    // A driver whose construction writes are already checked and cleared from the log.
    std::unique_ptr<Korvella4v4> constructedDriver() {
        auto driver = std::make_unique<Korvella4v4>(888);
        EXPECT_EQ(portAccesses(), constructionWrites);
        fakePortIo().log.clear();
        return driver;
    }
};

// Records waits in the port log instead of spinning, to check where they fall between accesses.
class WaitRecordingDriver : public Korvella4v4 {
  public:
    WaitRecordingDriver() : Korvella4v4(888) {}
    void delayUs(std::uint32_t microseconds) override {
        fakePortIo().log.push_back("D " + std::to_string(microseconds));
    }
};

TEST_F(Korvella4v4Test, ConstructionWithUsableLibraryWritesIdleValues) {
    Korvella4v4 driver(888);
    EXPECT_EQ(fakePortIo().log, (Log{"load", "W 888 00", "W 889 00", "W 890 09", "W 890 09"}));
}

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
        EXPECT_TRUE(portAccesses().empty());
    }
    // Destruction writes nothing either: PortOut may be missing.
    EXPECT_TRUE(portAccesses().empty());
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

TEST_F(Korvella4v4Test, DestructorBringsControlToIdleThenReleasesLibrary) {
    auto driver = constructedDriver();
    driver->modifyPort(PortRegister::Control, 0xFF0F);
    fakePortIo().log.clear();
    driver.reset();
    EXPECT_EQ(fakePortIo().log, (Log{"W 890 0D", "W 890 09", "unload"}));
}

TEST_F(Korvella4v4Test, DestructorAfterFailedLoadReleasesNothingReal) {
    fakePortIo().libraryPresent = false;
    { Korvella4v4 driver(888); }
    EXPECT_EQ(fakePortIo().log, (Log{"load", "unload null"}));
}

struct ChangeCase {
    PortRegister portRegister;
    std::uint8_t before;
    ChangeWord change;
    std::string write;
};

class ModifyPortTest : public Korvella4v4Test, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(ModifyPortTest, AppliesChangeWordToTheShadowAndWritesOnce) {
    auto driver = constructedDriver();
    const ChangeCase& c = GetParam();
    driver->modifyPort(c.portRegister, writeExactly(c.before));
    fakePortIo().log.clear();
    driver->modifyPort(c.portRegister, c.change);
    EXPECT_EQ(portAccesses(), Log{c.write});
}

INSTANTIATE_TEST_SUITE_P(
    ChangeWords, ModifyPortTest,
    ::testing::Values(
        ChangeCase{PortRegister::Control, 0x04, 0x0209, "W 890 0D"},  // clear 1, set 0 and 3
        ChangeCase{PortRegister::Control, 0x0F, 0x0400, "W 890 0B"},  // clear only
        ChangeCase{PortRegister::Data, 0x00, 0x0101, "W 888 01"},     // named twice: ends set
        ChangeCase{PortRegister::Data, 0xA5, 0x0000, "W 888 A5"},     // no change, still written
        ChangeCase{PortRegister::Data, 0xA5, 0xFF3C, "W 888 3C"},     // whole register
        ChangeCase{PortRegister::Status, 0x00, 0x0080, "W 889 80"},   // status has a shadow too
        ChangeCase{PortRegister::Control, 0xF0, 0x0300, "W 890 F0"}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST_F(Korvella4v4Test, ShadowsAreKeptPerRegister) {
    auto driver = constructedDriver();
    driver->modifyPort(PortRegister::Data, 0x0003);
    driver->modifyPort(PortRegister::Control, 0x0004);
    driver->modifyPort(PortRegister::Data, 0x0100);
    driver->modifyPort(PortRegister::Control, 0x0800);
    EXPECT_EQ(portAccesses(), (Log{"W 888 03", "W 890 0D", "W 888 02", "W 890 05"}));
}

// --- delayUs on a scripted counter -----------------------------------------------------------

// Construction reads the counter three times: one discarded cold read, then the measured pair.
void scriptCounter(std::int64_t frequency, std::vector<std::int64_t> values) {
    fakePortIo().counterFrequency = frequency;
    fakePortIo().counterValues.assign(values.begin(), values.end());
}

TEST_F(Korvella4v4Test, WaitEndsAtFirstReadReachingTheTicks) {
    // 10 MHz, overhead 0: 15 ms are 150,000 ticks.
    scriptCounter(10000000, {0, 7, 7, 1000, 1000 + 149999, 1000 + 150000, 999999999});
    Korvella4v4 driver(888);
    fakePortIo().counterReads = 0;
    driver.delayUs(15000);
    EXPECT_EQ(fakePortIo().counterReads, 3);  // start, one short, one reaching
}

TEST_F(Korvella4v4Test, ColdFirstReadIsNotCountedAsOverhead) {
    // Cold pair would say 100 ticks; the warm pair says 4. At 1 MHz, 10 µs = 10 ticks, target 6.
    scriptCounter(1000000, {0, 100, 104, 500, 505, 506, 999999});
    Korvella4v4 driver(888);
    fakePortIo().counterReads = 0;
    driver.delayUs(10);
    EXPECT_EQ(fakePortIo().counterReads, 3);  // 505 is 5 ticks: short; 506 reaches 6
}

TEST_F(Korvella4v4Test, OverheadWrapsWithTheCounterLowHalf) {
    const std::int64_t high = std::int64_t{7} << 32;
    // Low halves 2^32 - 2 and 3 (the second in the next high half): overhead 5.
    scriptCounter(1000000,
                  {0, high + 0xFFFFFFFE, high + (std::int64_t{1} << 32) + 3, 0, 4, 5, 999999});
    Korvella4v4 driver(888);
    fakePortIo().counterReads = 0;
    driver.delayUs(10);  // 10 ticks - 5 overhead: ends at 5
    EXPECT_EQ(fakePortIo().counterReads, 3);
}

struct ShortWait {
    const char* name;
    std::uint32_t microseconds;
};

class ShortWaitTest : public Korvella4v4Test, public ::testing::WithParamInterface<ShortWait> {};

TEST_P(ShortWaitTest, TargetAtOrBelowZeroCostsExactlyOneMoreRead) {
    // 3 ticks per µs, overhead 5: a 1 µs wait has a negative target.
    scriptCounter(3000000, {0, 10, 15, 100, 100, 999999});
    Korvella4v4 driver(888);
    fakePortIo().counterReads = 0;
    driver.delayUs(GetParam().microseconds);
    EXPECT_EQ(fakePortIo().counterReads, 2);
}

INSTANTIATE_TEST_SUITE_P(Korvella4v4, ShortWaitTest,
                         ::testing::Values(ShortWait{"OneMicrosecond", 1}, ShortWait{"Zero", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Korvella4v4Test, EraseWaitDoesNotOverflowAtNanosecondTicks) {
    const std::int64_t eraseTicks = 300000000LL * 1000;
    scriptCounter(1000000000, {0, 0, 0, 5, 5 + eraseTicks - 1, 5 + eraseTicks, 0});
    Korvella4v4 driver(888);
    fakePortIo().counterReads = 0;
    driver.delayUs(300000000);
    EXPECT_EQ(fakePortIo().counterReads, 3);
}

// --- serial transfers -----------------------------------------------------------------------

TEST_F(Korvella4v4Test, ShiftOutClocksBitsMostSignificantFirst) {
    auto driver = constructedDriver();
    driver->shiftOut(0x5, 3);
    EXPECT_EQ(portAccesses(), (Log{"W 890 09",                          // data-drive cleared
                                   "W 888 02", "W 888 02", "W 888 03",  // 1
                                   "W 888 01", "W 888 00", "W 888 01",  // 0
                                   "W 888 03", "W 888 02", "W 888 03",  // 1
                                   "W 888 00"}));
}

std::string addressBitsSent(const Log& accesses) {
    std::string bits;
    unsigned previous = 0;
    for (const auto& entry : accesses) {
        if (entry.rfind("W 888 ", 0) == 0) {
            const unsigned value = std::stoul(entry.substr(6), nullptr, 16);
            if ((value & ~previous & DataLine::ShiftClock) != 0) {
                bits += (value & DataLine::ShiftBit) != 0 ? '1' : '0';
            }
            previous = value;
        }
    }
    return bits;
}

TEST_F(Korvella4v4Test, ShiftOutSendsOnlyTheLowBits) {
    auto driver = constructedDriver();
    driver->shiftOut(0xFFFFFFFE, 1);
    EXPECT_EQ(portAccesses().size(), 1u + 3u + 1u);
    EXPECT_EQ(addressBitsSent(portAccesses()), "0");
}

TEST_F(Korvella4v4Test, ShiftOutOfThirtyTwoBitsStartsAtBitThirtyOne) {
    auto driver = constructedDriver();
    driver->shiftOut(0x80000001, 32);
    EXPECT_EQ(addressBitsSent(portAccesses()), "10000000000000000000000000000001");
    EXPECT_EQ(portAccesses().back(), "W 888 00");
}

TEST_F(Korvella4v4Test, ShiftInByteReadsBeforeEachPulseAndInvertsBitSix) {
    auto driver = constructedDriver();
    // Bit 6 clear means a one; the other status bits are noise.
    fakePortIo().statusAnswers = {0x3F, 0xFF, 0x80, 0x7F, 0x00, 0x40, 0x01, 0xC0};
    EXPECT_EQ(driver->shiftInByte(), 0xAA);
    Log expected = {"W 890 09", "W 888 02", "W 888 06", "W 888 02", "W 888 00"};
    for (int bit = 0; bit < 8; ++bit) {
        expected.insert(expected.end(), {"R 889", "W 888 04", "W 888 00"});
    }
    EXPECT_EQ(portAccesses(), expected);
}

TEST_F(Korvella4v4Test, ShiftInByteAllLevels) {
    auto driver = constructedDriver();
    fakePortIo().statusAnswers.assign(8, 0x40);
    EXPECT_EQ(driver->shiftInByte(), 0x00);
    fakePortIo().statusAnswers.assign(8, 0xBF);
    EXPECT_EQ(driver->shiftInByte(), 0xFF);
}

TEST_F(Korvella4v4Test, ShiftInByteKeepsDataBitZero) {
    auto driver = constructedDriver();
    driver->modifyPort(PortRegister::Data, 0x0001);
    fakePortIo().log.clear();
    driver->shiftInByte();
    EXPECT_EQ(portAccesses().back(), "W 888 01");
}

TEST_F(Korvella4v4Test, PutDataRaisesDataDriveThenWritesTheWholeByte) {
    auto driver = constructedDriver();
    driver->modifyPort(PortRegister::Data, 0x0007);
    fakePortIo().log.clear();
    driver->putData(0x5A);
    EXPECT_EQ(portAccesses(), (Log{"W 890 0B", "W 888 5A"}));
}

// --- detection ------------------------------------------------------------------------------

struct DetectionCase {
    bool first, second, third;
    std::int32_t result;
};

class DetectionTest : public Korvella4v4Test,
                      public ::testing::WithParamInterface<DetectionCase> {};

TEST_P(DetectionTest, ProbesWithFixedWritesWaitsAndReads) {
    const DetectionCase& c = GetParam();
    WaitRecordingDriver driver;
    // Every other status bit is noise that must not count.
    auto sample = [](bool set) { return static_cast<std::uint8_t>(set ? 0xFF : 0x7F); };
    fakePortIo().statusAnswers = {sample(c.first), sample(c.second), sample(c.third)};
    fakePortIo().log.clear();
    EXPECT_EQ(driver.detectHardware(), c.result);
    EXPECT_EQ(fakePortIo().log, (Log{"W 890 04", "D 15000", "R 889", "W 888 01", "D 1", "R 889",
                                     "D 10", "R 889", "W 890 0D", "W 888 00", "W 890 09"}));
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

TEST_F(Korvella4v4Test, DetectionStartsFromZeroedShadowsEachTime) {
    WaitRecordingDriver driver;
    driver.modifyPort(PortRegister::Data, 0x00F0);
    driver.modifyPort(PortRegister::Control, 0x00F2);
    fakePortIo().log.clear();
    driver.detectHardware();
    const Log first = portAccesses();
    fakePortIo().log.clear();
    driver.detectHardware();
    EXPECT_EQ(portAccesses(), first);
    EXPECT_EQ(first.front(), "W 890 04");
}

}  // namespace
