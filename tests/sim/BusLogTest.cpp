// The whole chip report's bus log is checked from a simulated run; these are the cycles it lacks.
#include <gtest/gtest.h>

#include "porttrace/BusLogWriter.h"
#include "porttrace/CommandNamer.h"
#include "porttrace/ReadMeaning.h"

using porttrace::BusCycle;

namespace {

TEST(CommandNamer, NamesProgramDataAndStrayWrites) {
    porttrace::CommandNamer namer;
    const auto write = [&](std::uint32_t address, std::uint8_t value, bool lowByte = true) {
        return namer.name({BusCycle::Kind::Write, 0, address, lowByte, value});
    };
    EXPECT_EQ(write(0x555, 0xAA), "unlock 1/2");
    EXPECT_EQ(namer.name({BusCycle::Kind::Read, 0, 0x0, true, 0x12}), "");
    EXPECT_EQ(write(0x2AA, 0x55), "unlock 2/2");
    EXPECT_EQ(write(0x555, 0xA0), "program");
    EXPECT_EQ(write(0x1234, 0xF0, false), "program data");
    EXPECT_EQ(write(0x2AA, 0x55), "unexpected");
    EXPECT_EQ(write(0x555, 0xAA, false), "unexpected");
}

TEST(ReadMeaning, NamesAnEightBitChipAndTellsEraseStatusFromData) {
    porttrace::ReadMeaning meaning;
    const auto read = [&](std::uint32_t address, std::uint8_t value, bool lowByte = true) {
        return meaning.of({BusCycle::Kind::Read, 0, address, lowByte, value});
    };
    meaning.written("autoselect");
    EXPECT_EQ(read(0x000, 0xC2), "manufacturer code");
    EXPECT_EQ(read(0x101, 0xA4), "device code; chip MX29F040");  // low address lines decide
    meaning.written("chip erase");
    EXPECT_EQ(read(0x0, 0x4C), "erase status, not data");
    EXPECT_EQ(read(0x0, 0x00, false), "erase status, not data");
    EXPECT_EQ(read(0x0, 0x88), "erase status, not data");  // DQ6 toggled, DQ7 set
    EXPECT_EQ(read(0x0, 0xC8), "erase status, not data");
    EXPECT_EQ(read(0x0, 0xFF), "");  // DQ6 still: done
    EXPECT_EQ(read(0x0, 0x4C), "");
}

TEST(BusLogWriter, TheProbesVerdictFollowsTheSamples) {
    using porttrace::BusLogWriter;
    EXPECT_STREQ(BusLogWriter::probeVerdict({true, false, false}), "Korvella+ answered");
    EXPECT_STREQ(BusLogWriter::probeVerdict({true, true, false}), "Velmar/rev3b answered");
    EXPECT_STREQ(BusLogWriter::probeVerdict({true, true, true}), "no adapter answered");
    EXPECT_STREQ(BusLogWriter::probeVerdict({false, false, false}), "no adapter answered");
}

TEST(BusLogWriter, TimesCountFromTheOrigin) {
    EXPECT_EQ(porttrace::BusLogWriter::format(
                  {BusCycle::Kind::Read, 1234567891000, 0xABCDEF, false, 0x5A}, "", 1000),
              "  1234.567890  read   0xABCDEF  high  0x5A");
}

}  // namespace
