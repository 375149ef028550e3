// The whole chip report's bus log is checked from a simulated run; these are the cycles it lacks.
#include <gtest/gtest.h>

#include "porttrace/BusLogWriter.h"
#include "porttrace/CommandNamer.h"

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

TEST(BusLogWriter, TimesCountFromTheOrigin) {
    EXPECT_EQ(porttrace::BusLogWriter::format({BusCycle::Kind::Read, 1234, 0xABCDEF, false, 0x5A},
                                              "", 1000),
              "             234  read   0xABCDEF  high  0x5A");
}

}  // namespace
