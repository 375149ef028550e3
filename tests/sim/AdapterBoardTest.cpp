#include <gtest/gtest.h>

#include "SimBench.h"

namespace {

// Both boards' probe answers show in complete runs; this is what a run cannot show.
TEST(AdapterDetection, NoAnswerWithoutTheEnableLine) {
    SimBench bench;
    EXPECT_NE(bench.board.read(PortRegister::Status) & 0x80, 0);
    bench.driver.modify(PortRegister::Control, 0x0400);
    EXPECT_EQ(bench.board.read(PortRegister::Status) & 0x80, 0);
}

TEST(AdapterAddress, TakesTheLast24BitsClockedInMostSignificantFirst) {
    SimBench bench;
    bench.driver.shiftOut(0x5, 3);
    EXPECT_EQ(bench.board.addressRegister(), 0x5u);
    bench.driver.shiftOut(0xFF123456, 32);
    EXPECT_EQ(bench.board.addressRegister(), 0x123456u);
    // Data bytes on the driven bus are not clocks.
    for (std::uint8_t data : {0xAA, 0x55, 0x01, 0xFF}) {
        bench.driver.putData(data);
        bench.driver.modify(PortRegister::Data, 0xFF00);
    }
    EXPECT_EQ(bench.board.addressRegister(), 0x123456u);
}

TEST(AdapterReadBack, ReadsTheSelectedByteOfTheWordAtTheAddress) {
    SimBench bench;
    for (std::uint32_t address : {0x000000u, 0x000001u, 0x000555u, 0x0ABCDEu, 0x7FFFFFu}) {
        SCOPED_TRACE(address);
        EXPECT_EQ(bench.driver.readByte(address), bench.original[address * 2]);
        bench.driver.selectHighByte();
        EXPECT_EQ(bench.driver.shiftInByte(), bench.original[address * 2 + 1]);
        bench.driver.selectLowByte();
    }
    bench.driver.modify(PortRegister::Control,
                        0x0400);  // without the enable line the bus floats high
    EXPECT_EQ(bench.driver.readByte(0x10), 0xFF);
}

TEST(AdapterWrite, OnlyTheFallingStrobeWritesAndTheFirstWriteOfAnAccessHasNoRisingOne) {
    // The strobe is still set from idle, so the first write has only its falling edge; a write
    // taken on a rising edge too would break the command.
    SimBench bench;
    bench.driver.command(0x90);
    EXPECT_EQ(bench.driver.readByte(1), 0x7E);  // autoselect: the device code
}

TEST(AdapterWrite, AStrobeEdgeWithoutDataDriveOrEnableWritesNothing) {
    SimBench bench;
    bench.driver.command(0xA0);
    bench.driver.modify(PortRegister::Control, 0x0008);
    bench.driver.modify(PortRegister::Control, 0x0800);  // falls with data-drive clear
    bench.driver.putData(0x00);
    bench.driver.modify(PortRegister::Control, 0x0400);
    bench.driver.modify(PortRegister::Control, 0x0008);
    bench.driver.modify(PortRegister::Control, 0x0800);  // falls with enable clear
    bench.driver.beginAccess();
    bench.driver.writeByte(0x20, 0x00);  // still the program command's data byte
    EXPECT_EQ(bench.chip.contents()[0x40], 0x00);
}

TEST(AdapterWrite, ProgramsTheByteLaneThatByteSelectChooses) {
    SimBench bench;
    bench.driver.command(0xA0);
    bench.driver.selectHighByte();
    bench.driver.writeByte(0x20, 0x00);
    EXPECT_EQ(bench.chip.contents()[0x41], 0x00);
    EXPECT_EQ(bench.chip.contents()[0x40], bench.original[0x40]);
}

}  // namespace
