// The chip's bus cycles on a real adapter driver: the register values the port actually sees.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakePortIo.h"
#include "driver/Korvella4v4.h"
#include "flash/FlashChip.h"

namespace {

using Values = std::vector<std::string>;

// The values written to the control register (890), in order.
Values controlWrites() {
    Values values;
    for (const auto& entry : portAccesses()) {
        if (entry.rfind("W 890 ", 0) == 0) {
            values.push_back(entry.substr(6));
        }
    }
    return values;
}

class FlashOverAdapterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetFakePortIo();
        driver = new Korvella4v4(888);
        chip = new FlashChip(driver);
        fakePortIo().log.clear();
    }
    void TearDown() override {
        delete chip;
        delete driver;
    }
    Korvella4v4* driver = nullptr;
    FlashChip* chip = nullptr;
};

TEST_F(FlashOverAdapterTest, WriteStrobeFallsInTheFirstCycleAndPulsesInLaterOnes) {
    chip->beginAccess();
    chip->writeByte(0x555, 0xAA);
    chip->writeByte(0x2AA, 0x55);
    chip->selectHighByte();
    chip->selectLowByte();
    chip->endAccess();
    EXPECT_EQ(controlWrites(), (Values{"0D",                          // begin
                                       "0D", "0F", "0F", "07", "05",  // first write cycle
                                       "05", "07", "0F", "07", "05",  // second
                                       "04", "05",                    // byte select
                                       "0D", "09"}));                 // end
}

TEST_F(FlashOverAdapterTest, WriteCycleEndsWithStrobeAndDataDriveClearWhateverBefore) {
    chip->modifyControl(writeExactly(0xFF));
    chip->writeByte(0x555, 0xAA);
    EXPECT_EQ(controlWrites().back(), "F5");
}

TEST_F(FlashOverAdapterTest, EndAccessLeavesIdleLinesWhateverTheAccessDid) {
    chip->modifyControl(writeExactly(0x06));
    chip->endAccess();
    EXPECT_EQ(controlWrites(), (Values{"06", "0D", "09"}));
}

TEST_F(FlashOverAdapterTest, AddressBitsAboveTwentyThreeAreNotSent) {
    chip->writeByte(0x2AA, 0x55);  // both rounds start with the same data register
    fakePortIo().log.clear();
    chip->readByte(0x555);
    chip->writeByte(0x2AA, 0x55);
    const auto low = portAccesses();
    fakePortIo().log.clear();
    chip->readByte(0xFF000555);
    chip->writeByte(0x7F0002AA, 0x55);
    EXPECT_EQ(portAccesses(), low);
}

}  // namespace
