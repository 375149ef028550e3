// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "sim/AdapterBoard.h"
#include "sim/ChipCatalog.h"
#include "sim/FlashModel.h"

using sim::FlashModel;

namespace {

constexpr std::int64_t EraseNs = 5000;

struct Cycle {
    std::uint32_t address;
    std::uint8_t value;
    bool lowByte = true;
};
using Cycles = std::vector<Cycle>;

const Cycles unlock = {{0x555, 0xAA}, {0x2AA, 0x55}};

Cycles operator+(Cycles a, const Cycles& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Cycles chipErase = unlock + Cycles{{0x555, 0x80}} + unlock + Cycles{{0x555, 0x10}};

FlashModel chipOf(const char* name, std::uint8_t fill = 0x5A,
                  sim::FailMode fail = sim::FailMode::None) {
    const sim::ChipType& type = *sim::findChip(name);
    return FlashModel(type, std::vector<std::uint8_t>(type.sizeBytes, fill), EraseNs, fail);
}

void run(FlashModel& chip, const Cycles& cycles, std::int64_t now = 0) {
    for (const Cycle& cycle : cycles) {
        chip.write(cycle.address, cycle.lowByte, cycle.value, now);
    }
}

// The byte read at address 1 tells the modes apart: 0x7E (the device code) in autoselect, 0x5A
// in read array. A trailing 0x90 shows whether the command was still open.
struct SequenceCase {
    std::string name;
    Cycles cycles;
    std::uint8_t expected;
};

void PrintTo(const SequenceCase& c, std::ostream* out) {
    *out << c.name;
}

class FlashCommands : public testing::TestWithParam<SequenceCase> {};

TEST_P(FlashCommands, EndInTheExpectedMode) {
    FlashModel chip = chipOf("S29GL128P");
    run(chip, GetParam().cycles);
    EXPECT_EQ(chip.read(1, true, 0), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, FlashCommands,
    testing::Values(
        SequenceCase{"resetLeavesAutoselect", unlock + Cycles{{0x555, 0x90}, {0, 0xF0}}, 0x5A},
        SequenceCase{
            "resetInsideErase",
            unlock + Cycles{{0x555, 0x80}, {0x555, 0xAA}, {0, 0xF0}, {0x2AA, 0x55}, {0x555, 0x10}},
            0x5A},
        SequenceCase{"wrongSecondAddress", {{0x555, 0xAA}, {0x2AB, 0x55}, {0x555, 0x90}}, 0x5A},
        SequenceCase{"wrongSecondByte", {{0x555, 0xAA}, {0x2AA, 0x54}, {0x555, 0x90}}, 0x5A},
        SequenceCase{"unknownCommand", unlock + Cycles{{0x555, 0x77}, {0x555, 0x90}}, 0x5A},
        SequenceCase{"commandOnHighLane", unlock + Cycles{{0x555, 0x90, false}}, 0x5A},
        SequenceCase{"strayWriteLeavesAutoselect", unlock + Cycles{{0x555, 0x90}, {0x123, 0x00}},
                     0x5A},
        SequenceCase{
            "upperAddressLinesIgnored", {{0x800D55, 0xAA}, {0x001AAA, 0x55}, {0x555, 0x90}}, 0x7E},
        SequenceCase{"unlockAgainFromAutoselect",
                     unlock + Cycles{{0x555, 0x90}} + unlock + Cycles{{0x555, 0x90}}, 0x7E},
        SequenceCase{"eraseNeedsTheSecondUnlock", unlock + Cycles{{0x555, 0x80}, {0x555, 0x10}},
                     0x5A}),
    [](const auto& info) { return info.param.name; });

TEST(FlashErase, ReadsGiveToggledStatusUntilTheTimeIsUpThenEveryByteIsErased) {
    FlashModel chip = chipOf("S29GL128P");
    run(chip, Cycles(chipErase.begin(), chipErase.end() - 1));
    EXPECT_EQ(chip.write(0x555, true, 0x10, 100), FlashModel::Change::Erased);
    std::uint8_t previous = chip.read(0, true, 100);
    for (std::int64_t now = 200; now < 100 + EraseNs; now += 500) {
        const std::uint8_t status = chip.read(0, true, now);
        EXPECT_EQ(status & 0x80, 0);
        EXPECT_EQ((status ^ previous) & 0x44, 0x44);  // DQ6 and DQ2 toggle on every read
        previous = status;
    }
    EXPECT_EQ(chip.read(0, true, 100 + EraseNs), 0xFF);
    for (std::uint8_t byte : chip.contents()) {
        ASSERT_EQ(byte, 0xFF);
    }
}

// Status while a program runs: DQ7 the complement of the data's bit 7, DQ6 toggling, DQ5 set
// once a failing program has outlasted the chip's maximum time.
std::uint8_t programStatus(std::uint8_t data, bool toggled, bool failed) {
    return static_cast<std::uint8_t>((~data & 0x80) | (toggled ? 0x40 : 0) | (failed ? 0x20 : 0));
}

struct ProgramCase {
    std::string name;
    sim::FailMode fail;
    std::uint8_t before, data, after;
    bool fails;
};

void PrintTo(const ProgramCase& c, std::ostream* out) {
    *out << c.name;
}

class FlashProgram : public testing::TestWithParam<ProgramCase> {};

// Am29LV040B: 9 us typical, 300 us maximum per byte.
TEST_P(FlashProgram, ShowsStatusForItsTimeIgnoringWritesThenReadsArrayOrFailsUntilReset) {
    const ProgramCase& c = GetParam();
    FlashModel chip = chipOf("Am29LV040B", c.before, c.fail);
    const std::int64_t doneNs = (c.fails ? 300 : 9) * 1000;
    run(chip, unlock + Cycles{{0x555, 0xA0}});
    EXPECT_EQ(chip.write(0x1234, true, c.data, 0), FlashModel::Change::Programmed);
    EXPECT_EQ(chip.read(0x1234, true, 0), programStatus(c.data, true, false));
    run(chip, {{0, 0xF0}, {0x1234, 0x00}}, doneNs - 1);  // ignored while it runs
    EXPECT_EQ(chip.read(0x1234, true, doneNs - 1), programStatus(c.data, false, false));
    if (c.fails) {
        EXPECT_EQ(chip.read(0, true, doneNs), programStatus(c.data, true, true));
        run(chip, unlock, doneNs);  // only a reset ends a failed program
        EXPECT_EQ(chip.read(0, true, doneNs), programStatus(c.data, false, true));
        run(chip, {{0, 0xF0}}, doneNs);
    }
    EXPECT_EQ(chip.read(0x1234, true, doneNs), c.after);
    EXPECT_EQ(chip.contents()[0x1234], c.after);
    EXPECT_EQ(chip.read(0x1235, true, doneNs), c.before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FlashProgram,
    testing::Values(
        ProgramCase{"clearsBits", sim::FailMode::None, 0x5A, 0x50, 0x50, false},
        ProgramCase{"sameByte", sim::FailMode::None, 0x5A, 0x5A, 0x5A, false},
        ProgramCase{"oneOverZeroFailsKeepingTheZero", sim::FailMode::None, 0x5A, 0xDA, 0x5A, true},
        ProgramCase{"oneOverZeroStillClears", sim::FailMode::None, 0x5A, 0x0F, 0x0A, true},
        ProgramCase{"failSettingKeepsBitZero", sim::FailMode::Program, 0xFF, 0x00, 0x01, true},
        ProgramCase{"failSettingFailsEvenARightByte", sim::FailMode::Program, 0xFF, 0xA5, 0xA5,
                    true},
        ProgramCase{"eraseFailureLeavesProgramsAlone", sim::FailMode::Erase, 0xFF, 0x3C, 0x3C,
                    false}),
    [](const auto& info) { return info.param.name; });

TEST(FlashProgram, HighLaneOfAWordChip) {
    FlashModel chip = chipOf("S29GL128P");  // every byte 0x5A
    run(chip, unlock + Cycles{{0x555, 0xA0}, {0x100, 0x50, false}});
    EXPECT_EQ(chip.read(0x100, false, 0), 0x00);  // status only on the low lane
    EXPECT_EQ(chip.read(0x100, false, 11000), 0x50);
    EXPECT_EQ(chip.read(0x100, true, 11000), 0x5A);
}

// The erase ends with DQ5 set and DQ7 still 0, status until a reset; the chip's last byte
// never erased.
TEST(FlashErase, FailSettingSetsDq5ThenResetShowsTheUnerasedByte) {
    FlashModel chip = chipOf("Am29F040B", 0x5A, sim::FailMode::Erase);
    run(chip, chipErase);
    EXPECT_EQ(chip.read(0, true, EraseNs - 1), 0x08 | 0x44);
    EXPECT_EQ(chip.read(0, true, EraseNs), 0x08 | 0x20);
    run(chip, {{0x555, 0xAA}}, EraseNs);
    EXPECT_EQ(chip.read(0, true, EraseNs), 0x08 | 0x44 | 0x20);
    run(chip, {{0, 0xF0}}, EraseNs);
    EXPECT_EQ(chip.read(0, true, EraseNs), 0xFF);
    const std::vector<std::uint8_t>& contents = chip.contents();
    EXPECT_EQ(static_cast<std::size_t>(std::count(contents.begin(), contents.end(), 0xFF)),
              contents.size() - 1);
    EXPECT_EQ(contents.back(), 0x00);
}

// The strobe idles set, so the first write of an access has only its falling edge: the edge
// that every write shares, and the only one that writes. Here the whole erase command, its
// first cycle included, must reach the chip.
TEST(AdapterBoard, WritesOnTheStrobesFallOnly) {
    FlashModel chip = chipOf("Am29F040B");
    sim::AdapterBoard board(sim::BoardKind::Korvella, &chip);
    std::uint8_t control = 0;
    const auto setControl = [&](std::uint8_t value) {
        control = value;
        return board.write(PortRegister::Control, value, 0);
    };
    const auto write = [&](const Cycle& cycle) {
        setControl(control & ~0x02);  // data lines carry the address clock and bit
        for (int bit = 23; bit >= 0; --bit) {
            const std::uint8_t one = ((cycle.address >> bit) & 1) != 0 ? 0x02 : 0x00;
            board.write(PortRegister::Data, one, 0);
            board.write(PortRegister::Data, one | 0x01, 0);
        }
        setControl(control | 0x02);  // and now the byte
        board.write(PortRegister::Data, cycle.value, 0);
        setControl(0x0F);
        const FlashModel::Change change = setControl(0x07);
        setControl(0x05);
        return change;
    };
    setControl(0x0D);  // idle lines with enable
    FlashModel::Change last = FlashModel::Change::None;
    for (const Cycle& cycle : chipErase) {
        last = write(cycle);
    }
    EXPECT_EQ(last, FlashModel::Change::Erased);
}

}  // namespace
