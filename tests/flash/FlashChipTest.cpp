#include "flash/FlashChip.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "RecordingDriver.h"
#include "StdoutCapture.h"

namespace {

using Calls = std::vector<std::string>;

Calls writeCycle(const std::string& address, const std::string& data) {
    return {"shiftOut " + address + "/24",
            "putData " + data,
            "control 0008",
            "delay 1",
            "control 0800",
            "control 0200"};
}

Calls readCycle(const std::string& address) {
    return {"shiftOut " + address + "/24", "shiftIn"};
}

Calls concat(std::initializer_list<Calls> parts) {
    Calls all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// The word at address 0: low byte, high byte without a new address, access ended.
const Calls wordAtZeroAndEnd =
    concat({readCycle("000000"),
            {"control 0100", "delay 10", "delay 1", "shiftIn", "control 0001", "delay 10"},
            {"control 0209", "delay 10", "control 0400"}});

struct HandOnCase {
    const char* name;
    std::function<void(FlashChip&)> call;
    std::string driverCall;
};

class HandOnTest : public ::testing::TestWithParam<HandOnCase> {};

TEST_P(HandOnTest, MakesExactlyOneDriverCall) {
    RecordingDriver driver;
    FlashChip chip(&driver);
    GetParam().call(chip);
    EXPECT_EQ(driver.calls, Calls{GetParam().driverCall});
}

INSTANTIATE_TEST_SUITE_P(
    FlashChip, HandOnTest,
    ::testing::Values(
        HandOnCase{"delayUs", [](FlashChip& c) { c.delayUs(123456); }, "delay 123456"},
        HandOnCase{"modifyControl", [](FlashChip& c) { c.modifyControl(0x0209); }, "control 0209"},
        HandOnCase{"modifyData", [](FlashChip& c) { c.modifyData(0xFF5A); }, "data FF5A"},
        HandOnCase{"shiftOut", [](FlashChip& c) { c.shiftOut(0xABC, 12); }, "shiftOut 000ABC/12"},
        HandOnCase{"shiftInByte", [](FlashChip& c) { c.shiftInByte(); }, "shiftIn"},
        HandOnCase{"putData", [](FlashChip& c) { c.putData(0xA5); }, "putData A5"},
        HandOnCase{"detectHardware", [](FlashChip& c) { c.detectHardware(); }, "detect"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FlashChip, DetectHardwarePassesAnyResultThrough) {
    RecordingDriver driver;
    FlashChip chip(&driver);
    for (std::int32_t result : {-1, 0, 1, 2, 7, -42}) {
        driver.detectResult = result;
        EXPECT_EQ(chip.detectHardware(), result);
    }
}

TEST(FlashChip, DestructionLeavesTheDriverAlone) {
    RecordingDriver driver;
    { FlashChip chip(&driver); }
    EXPECT_TRUE(driver.calls.empty());
    FlashChip again(&driver);
    again.putData(1);
    EXPECT_EQ(driver.calls, Calls{"putData 01"});
}

struct CycleCase {
    const char* name;
    std::function<void(FlashChip&)> call;
    Calls driverCalls;
};

class BusCycleTest : public ::testing::TestWithParam<CycleCase> {};

TEST_P(BusCycleTest, IsItsFixedListOfDriverCalls) {
    RecordingDriver driver;
    FlashChip chip(&driver);
    GetParam().call(chip);
    EXPECT_EQ(driver.calls, GetParam().driverCalls);
}

INSTANTIATE_TEST_SUITE_P(
    FlashChip, BusCycleTest,
    ::testing::Values(
        CycleCase{
            "beginAccess", [](FlashChip& c) { c.beginAccess(); }, {"control 0004", "delay 10"}},
        CycleCase{"endAccess",
                  [](FlashChip& c) { c.endAccess(); },
                  {"control 0209", "delay 10", "control 0400"}},
        CycleCase{"setEnable", [](FlashChip& c) { c.setEnable(); }, {"control 0004", "delay 1"}},
        CycleCase{
            "clearEnable", [](FlashChip& c) { c.clearEnable(); }, {"control 0400", "delay 1"}},
        CycleCase{"selectHighByte",
                  [](FlashChip& c) { c.selectHighByte(); },
                  {"control 0100", "delay 10"}},
        CycleCase{
            "selectLowByte", [](FlashChip& c) { c.selectLowByte(); }, {"control 0001", "delay 10"}},
        CycleCase{
            "readByte", [](FlashChip& c) { c.readByte(0x2AA); }, {"shiftOut 0002AA/24", "shiftIn"}},
        CycleCase{"writeByte",
                  [](FlashChip& c) { c.writeByte(0x555, 0x90); },
                  {"shiftOut 000555/24", "putData 90", "control 0008", "delay 1", "control 0800",
                   "control 0200"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FlashCommands, ReadFirstWordResetsAtUnlockAddressAndReadsHighByteWithSelectCleared) {
    RecordingDriver driver;
    driver.shiftInAnswers = {0xBC, 0x0A};  // low byte first, then the byte-select-cleared one
    FlashChip chip(&driver);
    EXPECT_EQ(chip.readFirstWord(), 0x0ABC);
    EXPECT_EQ(driver.calls, concat({{"control 0004", "delay 10"},
                                    writeCycle("000555", "F0"),
                                    {"delay 20000"},
                                    wordAtZeroAndEnd}));
}

TEST(FlashCommands, ReadIdentifierEntersIdentifierModeAndLeavesTheAccessOpen) {
    RecordingDriver driver;
    driver.shiftInAnswers = {0x12, 0x34};
    FlashChip chip(&driver);
    EXPECT_EQ(chip.readIdentifier(), 0x3412);
    EXPECT_EQ(driver.calls, concat({{"control 0004", "delay 10"},
                                    writeCycle("000555", "F0"),
                                    {"delay 10"},
                                    writeCycle("000555", "AA"),
                                    writeCycle("0002AA", "55"),
                                    writeCycle("000555", "90"),
                                    {"delay 10"},
                                    readCycle("000000"),
                                    readCycle("000001")}));
}

TEST(FlashCommands, ReadExtendedIdentifierReadsFourteenThenFifteenAndNothingElse) {
    RecordingDriver driver;
    driver.shiftInAnswers = {0x21, 0x0C};
    FlashChip chip(&driver);
    EXPECT_EQ(chip.readExtendedIdentifier(), 0x0C21);
    EXPECT_EQ(driver.calls, concat({readCycle("00000E"), readCycle("00000F")}));
}

TEST(FlashCommands, EraseChipResetsAtZeroAroundTheEraseAndEndsTheAccess) {
    RecordingDriver driver;
    driver.shiftInAnswers = {0xFF, 0xFE};
    FlashChip chip(&driver);
    StdoutCapture capture;
    EXPECT_EQ(chip.eraseChip(), 0xFEFF);
    EXPECT_EQ(driver.calls, concat({writeCycle("000000", "F0"),
                                    {"delay 10"},
                                    writeCycle("000555", "AA"),
                                    writeCycle("0002AA", "55"),
                                    writeCycle("000555", "80"),
                                    writeCycle("000555", "AA"),
                                    writeCycle("0002AA", "55"),
                                    writeCycle("000555", "10"),
                                    {"delay 300000000"},
                                    writeCycle("000000", "F0"),
                                    {"delay 10"},
                                    wordAtZeroAndEnd}));
}

TEST(FlashCommands, EraseAnnouncementIsOutAfterTheEraseCommandAndBeforeTheLongWait) {
    RecordingDriver driver;
    FlashChip chip(&driver);
    StdoutCapture capture;
    std::string seenDuringEraseCommand = "(no erase command)";
    std::string seenAtWait = "(no 300 s wait)";
    driver.onDelay = [&](std::uint32_t microseconds) {
        // What has left the buffer: output still buffered would be missing here.
        if (microseconds == 1 && driver.calls[driver.calls.size() - 3] == "putData 10") {
            seenDuringEraseCommand = capture.written();
        }
        if (microseconds == 300000000) {
            seenAtWait = capture.written();
        }
    };
    chip.eraseChip();
    EXPECT_EQ(seenDuringEraseCommand, "");
    EXPECT_EQ(seenAtWait, "Erase in progress...\nWait 300 seconds !\n");
}

}  // namespace
