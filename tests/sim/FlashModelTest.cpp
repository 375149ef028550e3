#include <gtest/gtest.h>

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

FlashModel chipOf(const char* name) {
    const sim::ChipType& type = *sim::findChip(name);
    return FlashModel(type, std::vector<std::uint8_t>(type.sizeBytes, 0x5A), EraseNs);
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

TEST(FlashProgram, ClearsOnlyTheBitsThatTheDataClearsThenReadsArray) {
    FlashModel chip = chipOf("S29GL128P");  // every byte 0x5A
    run(chip, unlock + Cycles{{0x555, 0xA0}});
    EXPECT_EQ(chip.write(0x100, false, 0x0F, 0), FlashModel::Change::Programmed);
    EXPECT_EQ(chip.read(0x100, false, 0), 0x0A);
    EXPECT_EQ(chip.read(0x100, true, 0), 0x5A);
    run(chip, unlock + Cycles{{0x555, 0xA0}, {0x100, 0xFF, false}});
    EXPECT_EQ(chip.read(0x100, false, 0), 0x0A);  // a 1 bit never comes back without an erase
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
