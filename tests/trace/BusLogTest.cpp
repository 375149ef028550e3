// SPDX-License-Identifier: MIT
// The whole chip report's bus log is checked from a simulated run; these are the cycles it lacks.
#include <gtest/gtest.h>

#include "trace/BusLogWriter.h"
#include "trace/CommandNamer.h"
#include "trace/ReadMeaning.h"

using trace::BusCycle;
using Step = ChipCommand::Tracker::Step;
using Kind = ChipCommand::Tracker::Kind;

namespace {

constexpr Step completing(const ChipCommand::Sequence& command) {
    return {Kind::Command, &command.cycles[command.length - 1], &command};
}
constexpr Step reset{Kind::Reset};
constexpr Step programData{Kind::ProgramData};
constexpr Step erase = completing(ChipCommand::ChipEraseCommand);
constexpr Step program = completing(ChipCommand::ProgramCommand);

TEST(CommandNamer, NamesProgramDataAndStrayWrites) {
    trace::CommandNamer namer;
    const auto write = [&](std::uint32_t address, std::uint8_t value, bool lowByte = true) {
        return namer.name({BusCycle::Kind::Write, 0, address, lowByte, value});
    };
    EXPECT_EQ(write(0x555, 0xAA), "unlock 1/2");
    EXPECT_EQ(namer.name({BusCycle::Kind::Read, 0, 0x0, true, 0x12}), "");
    EXPECT_EQ(write(0x2AA, 0x55), "unlock 2/2");
    EXPECT_EQ(write(0x555, 0xA0), "program");
    EXPECT_EQ(write(0x1234, 0xF0, false), "program 0xF0 at 0x001234");
    EXPECT_EQ(write(0x2AA, 0x55), "unexpected");
    EXPECT_EQ(write(0x555, 0xAA, false), "unexpected");
}

TEST(ReadMeaning, NamesAnEightBitChip) {
    trace::ReadMeaning meaning;
    const auto read = [&](std::uint32_t address, std::uint8_t value) {
        return meaning.of({BusCycle::Kind::Read, 0, address, true, value});
    };
    meaning.written(completing(ChipCommand::AutoselectCommand), 0x90);
    EXPECT_EQ(read(0x000, 0xC2), "manufacturer code");
    EXPECT_EQ(read(0x101, 0xA4), "device code; chip MX29F040");  // low address lines decide
}

// A write (command named) or a read (its meaning expected), in the order of a run.
struct Event {
    const Step* write;  // null: a read
    std::uint8_t value;
    const char* meaning = "";
    bool lowByte = true;
};

// DQ7 tells done from busy, DQ5 a failure, which a reset ends; a running erase ignores a reset.
TEST(ReadMeaning, StatusPollsFollowDq7AndDq5) {
    const Event run[] = {
        {&erase, 0x10},
        {nullptr, 0x4C, "erase status: busy"},
        {nullptr, 0x00, "erase status: busy", false},
        {&reset, 0xF0},
        {nullptr, 0x08, "erase status: busy"},
        {nullptr, 0x28, "erase status: DQ5 exceeded timing limits"},
        {&reset, 0xF0},
        {nullptr, 0x5A},
        {&program, 0xA0},
        {&programData, 0x12},
        {nullptr, 0xC0, "program status: busy"},
        {nullptr, 0x12, "program status: done"},
        {nullptr, 0x92},
        {&program, 0xA0},
        {&programData, 0x80},
        {nullptr, 0x60, "program status: DQ5 exceeded timing limits"},
        {nullptr, 0x80, "program status: done"},  // the re-read after DQ5 decides
        {&erase, 0x10},
        {nullptr, 0xFF, "erase status: done"},
        {nullptr, 0x00},
    };
    trace::ReadMeaning meaning;
    int index = 0;
    for (const Event& event : run) {
        if (event.write != nullptr) {
            meaning.written(*event.write, event.value);
        } else {
            EXPECT_EQ(meaning.of({BusCycle::Kind::Read, 0, 0x100, event.lowByte, event.value}),
                      event.meaning)
                << "event " << index;
        }
        ++index;
    }
}

TEST(BusLogWriter, TheProbesVerdictFollowsTheSamples) {
    using trace::BusLogWriter;
    EXPECT_STREQ(BusLogWriter::probeVerdict({true, false, false}), "Korvella+ answered");
    EXPECT_STREQ(BusLogWriter::probeVerdict({true, true, false}), "Velmar/rev3b answered");
    EXPECT_STREQ(BusLogWriter::probeVerdict({true, true, true}), "no adapter answered");
    EXPECT_STREQ(BusLogWriter::probeVerdict({false, false, false}), "no adapter answered");
}

TEST(BusLogWriter, TimesCountFromTheOrigin) {
    EXPECT_EQ(trace::BusLogWriter::format(
                  {BusCycle::Kind::Read, 1234567891000, 0xABCDEF, false, 0x5A}, "", 1000),
              "  1234.567890  read   0xABCDEF  high  0x5A");
}

}  // namespace
