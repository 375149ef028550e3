#include <gtest/gtest.h>

#include <ostream>

#include "SimBench.h"

using sim::BoardKind;
using sim::FlashModel;

namespace {

struct DetectionCase {
    BoardKind board;
    int expected;
};

void PrintTo(const DetectionCase& c, std::ostream* out) {
    *out << c.expected;
}

class AdapterDetection : public testing::TestWithParam<DetectionCase> {};

TEST_P(AdapterDetection, AnswersTheProbeAsItsBoardAndAgainOnASecondProbe) {
    SimBench bench(GetParam().board);
    EXPECT_EQ(bench.driver.detect(), GetParam().expected);
    EXPECT_EQ(bench.driver.detect(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Boards, AdapterDetection,
                         testing::Values(DetectionCase{BoardKind::Korvella, 2},
                                         DetectionCase{BoardKind::Velmar, 1},
                                         DetectionCase{BoardKind::None, 0}));

TEST(AdapterDetection, NoAnswerWithoutTheEnableLine) {
    SimBench bench(BoardKind::Korvella);
    EXPECT_EQ(bench.board.read(1, 0) & 0x80, 0);  // control idle 0x09: enable clear
    bench.driver.modify(2, 0x0004);
    EXPECT_NE(bench.board.read(1, 0) & 0x80, 0);
}

TEST(AdapterAddress, TakesTheLast24BitsClockedInMostSignificantFirst) {
    SimBench bench(BoardKind::Korvella);
    bench.driver.shiftOut(0x5, 3);
    EXPECT_EQ(bench.board.addressRegister(), 0x5u);
    bench.driver.shiftOut(0xABCDEF, 24);
    EXPECT_EQ(bench.board.addressRegister(), 0xABCDEFu);
    bench.driver.shiftOut(0xFF123456, 32);
    EXPECT_EQ(bench.board.addressRegister(), 0x123456u);
}

TEST(AdapterAddress, DataBytesOnTheDrivenBusDoNotClockTheAddress) {
    SimBench bench(BoardKind::Korvella);
    bench.driver.shiftOut(0x000555, 24);
    for (std::uint8_t data : {0xAA, 0x55, 0x01, 0xFF}) {
        bench.driver.putData(data);
        bench.driver.modify(0, 0xFF00);
    }
    EXPECT_EQ(bench.board.addressRegister(), 0x000555u);
}

TEST(AdapterReadBack, ReadsTheSelectedByteOfTheWordAtTheAddress) {
    SimBench bench(BoardKind::Korvella);
    bench.driver.beginAccess();
    for (std::uint32_t address : {0x000000u, 0x000001u, 0x000555u, 0x0ABCDEu, 0x7FFFFFu}) {
        SCOPED_TRACE(address);
        EXPECT_EQ(bench.driver.readByte(address), bench.original[address * 2]);
        bench.driver.selectHighByte();
        EXPECT_EQ(bench.driver.shiftInByte(), bench.original[address * 2 + 1]);
        bench.driver.selectLowByte();
    }
}

TEST(AdapterReadBack, ShiftsTheByteOutInvertedOnStatusBit6MostSignificantFirst) {
    SimBench bench(BoardKind::Korvella);
    bench.driver.beginAccess();
    const std::uint8_t expected = bench.original[0x1234 * 2];
    bench.driver.shiftOut(0x1234, 24);
    // The opening pulse: data bit 1 high, data bit 2 up and down, data bit 1 low.
    bench.driver.modify(2, 0x0200);
    for (std::uint16_t change : {0x0002, 0x0004, 0x0400, 0x0200}) {
        bench.driver.modify(0, change);
    }
    for (int bit = 7; bit >= 0; --bit) {
        SCOPED_TRACE(bit);
        const bool one = (expected >> bit & 1) != 0;
        EXPECT_EQ((bench.board.read(1, 0) & 0x40) == 0, one);
        EXPECT_EQ((bench.board.read(1, 0) & 0x40) == 0, one);  // a second read does not shift
        bench.driver.modify(0, 0x0004);
        bench.driver.modify(0, 0x0400);
    }
}

TEST(AdapterReadBack, AWordReadsHighByteWithTheSelectLineCleared) {
    SimBench bench(BoardKind::Korvella);
    bench.driver.beginAccess();
    EXPECT_EQ(bench.driver.readWordAtZero(), bench.original[1] << 8 | bench.original[0]);
}

TEST(AdapterReadBack, WithoutTheEnableLineTheBusFloatsHigh) {
    SimBench bench(BoardKind::Korvella);
    EXPECT_EQ(bench.driver.readByte(0x10), 0xFF);
}

TEST(AdapterWrite, TheFirstWriteOfAnAccessHasOnlyAFallingStrobeAndReachesTheChip) {
    SimBench bench(BoardKind::Korvella);
    bench.driver.beginAccess();
    ASSERT_NE(bench.driver.control() & 0x08, 0);  // strobe still set from idle
    bench.driver.writeByte(0x555, 0xAA);
    EXPECT_EQ(bench.chip.mode(0), FlashModel::Mode::Unlocked1);
    bench.driver.writeByte(0x2AA, 0x55);
    EXPECT_EQ(bench.chip.mode(0), FlashModel::Mode::Unlocked2);
}

TEST(AdapterWrite, TheRisingStrobeWritesNothingTheFallingOneWrites) {
    SimBench bench(BoardKind::Korvella);
    bench.driver.beginAccess();
    bench.driver.writeByte(0x555, 0xF0);  // leaves the strobe clear
    bench.driver.shiftOut(0x555, 24);
    bench.driver.putData(0xAA);
    bench.driver.modify(2, 0x0008);
    EXPECT_EQ(bench.chip.mode(0), FlashModel::Mode::ReadArray);
    bench.driver.modify(2, 0x0800);
    EXPECT_EQ(bench.chip.mode(0), FlashModel::Mode::Unlocked1);
}

TEST(AdapterWrite, AStrobeEdgeWithoutDataDriveOrEnableWritesNothing) {
    SimBench bench(BoardKind::Korvella);
    bench.driver.beginAccess();
    for (auto [address, data] : {std::pair{0x555u, 0xAA}, {0x2AAu, 0x55}, {0x555u, 0xA0}}) {
        bench.driver.writeByte(address, static_cast<std::uint8_t>(data));
    }
    ASSERT_EQ(bench.chip.mode(0), FlashModel::Mode::ProgramSetUp);
    bench.driver.endAccess();
    bench.driver.detect();  // control 0x09 -> 0x04: the strobe falls with data-drive clear
    bench.driver.shiftOut(0, 24);
    bench.driver.putData(0x00);
    bench.driver.modify(2, 0x0800);  // strobe falls with enable clear
    EXPECT_EQ(bench.chip.mode(0), FlashModel::Mode::ProgramSetUp);
    EXPECT_FALSE(bench.changed());
}

TEST(AdapterWrite, ProgramsTheByteLaneThatByteSelectChooses) {
    SimBench bench(BoardKind::Korvella);
    bench.driver.beginAccess();
    for (auto [address, data] : {std::pair{0x555u, 0xAA}, {0x2AAu, 0x55}, {0x555u, 0xA0}}) {
        bench.driver.writeByte(address, static_cast<std::uint8_t>(data));
    }
    bench.driver.selectHighByte();
    bench.driver.writeByte(0x20, 0x00);
    EXPECT_EQ(bench.chip.contents()[0x41], 0x00);
    EXPECT_EQ(bench.chip.contents()[0x40], bench.original[0x40]);
}

TEST(AdapterWithEightBitChip, TheHighLaneIsNotWiredAndReadsHigh) {
    SimBench bench(BoardKind::Velmar, *sim::findChip("Am29F040B"));
    bench.driver.beginAccess();
    EXPECT_EQ(bench.driver.readWordAtZero(), 0xFF00 | bench.original[0]);
    EXPECT_EQ(bench.driver.readByte(0x1235), bench.original[0x1235]);
}

}  // namespace
