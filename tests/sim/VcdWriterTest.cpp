#include <gtest/gtest.h>

#include <string>

#include "ProgramRun.h"
#include "porttrace/VcdWriter.h"

using Direction = porttrace::PortEvent::Direction;

namespace {

const std::string header =
    "$version lptflash port trace $end\n"
    "$timescale 1ns $end\n"
    "$scope module lpt $end\n"
    "$var wire 1 ! D0_addr_clock $end\n$var wire 1 \" D1_addr_bit $end\n"
    "$var wire 1 # D2_read_clock $end\n$var wire 1 $ D3 $end\n$var wire 1 % D4 $end\n"
    "$var wire 1 & D5 $end\n$var wire 1 ' D6 $end\n$var wire 1 ( D7 $end\n"
    "$var wire 1 ) C0_byte_select $end\n$var wire 1 * C1_data_drive $end\n"
    "$var wire 1 + C2_enable $end\n$var wire 1 , C3_write_strobe $end\n"
    "$var wire 1 - S6_read_back $end\n$var wire 1 . S7_presence $end\n"
    "$var wire 1 / status_read $end\n"
    "$upscope $end\n$enddefinitions $end\n";
const std::string allLow =
    "#0\n$dumpvars\n0!\n0\"\n0#\n0$\n0%\n0&\n0'\n0(\n0)\n0*\n0+\n0,\n0-\n0.\n0/\n$end\n";

TEST(VcdWriter, DumpsOneWirePerLineAndOnlyTheChangesAtTimesFromTheFirstEvent) {
    TemporaryFolder folder;
    const std::string path = folder.file("trace.vcd");
    porttrace::VcdWriter writer;
    std::string reason;
    ASSERT_TRUE(writer.open(path, reason)) << reason;
    using R = PortRegister;
    writer.record({1000, Direction::Write, R::Data, 0x00});  // nothing changes
    writer.record({1500, Direction::Write, R::Control, 0x09});
    writer.record({1500, Direction::Read, R::Status, 0x80});   // same time: a time of its own
    writer.record({1400, Direction::Write, R::Data, 0x03});    // clock went back: the next time
    writer.record({2000, Direction::Write, R::Data, 0x03});    // no change, no time line
    writer.record({2600, Direction::Read, R::Data, 0xFF});     // reading data changes no line
    writer.record({2700, Direction::Write, R::Status, 0xFF});  // nor does writing status
    writer.record({2800, Direction::Read, R::Status, 0x80});   // a status read that changes nothing
    writer.record({3000, Direction::Write, R::Control, 0x0D});
    // Complete on disk before the writer is closed: a killed process keeps its trace, padded
    // with blank lines until the close cuts them off.
    const std::string expected =
        header + allLow + "#500\n1)\n1,\n#501\n1.\n1/\n#502\n1!\n1\"\n#1800\n0/\n#2000\n1+\n";
    const std::string written = readWholeFile(path);
    EXPECT_EQ(written.substr(0, expected.size()), expected);
    EXPECT_EQ(written.find_first_not_of('\n', expected.size()), std::string::npos);
    writer.close();
    EXPECT_EQ(readWholeFile(path), expected);
}

// A real port's lines are not low when the program starts: the claim may have set some.
TEST(VcdWriter, StartsFromTheRegistersAsReadAtOpenWhenGiven) {
    TemporaryFolder folder;
    porttrace::VcdWriter writer;
    std::string reason;
    ASSERT_TRUE(writer.open(folder.file("trace.vcd"), reason)) << reason;
    writer.initialValues({0x01, 0x0C, 0x80});                             // data, control, status
    writer.record({100, Direction::Write, PortRegister::Control, 0x04});  // strobe falls
    writer.close();
    EXPECT_EQ(readWholeFile(folder.file("trace.vcd")),
              header +
                  "#0\n$dumpvars\n1!\n0\"\n0#\n0$\n0%\n0&\n0'\n0(\n0)\n0*\n1+\n1,\n0-\n1.\n0/\n"
                  "$end\n#1\n0,\n");
}

}  // namespace
