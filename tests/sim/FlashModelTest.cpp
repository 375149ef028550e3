#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "sim/ChipCatalog.h"
#include "sim/FlashModel.h"

using sim::FlashModel;
using Mode = FlashModel::Mode;

namespace {

constexpr std::int64_t EraseNs = 5000;

struct Cycle {
    std::uint32_t address;
    std::uint8_t value;
    bool lowByte = true;
};

const std::vector<Cycle> unlock = {{0x555, 0xAA}, {0x2AA, 0x55}};

FlashModel chipOf(const char* name) {
    const sim::ChipType& type = *sim::findChip(name);
    return FlashModel(type, std::vector<std::uint8_t>(type.sizeBytes, 0x5A), EraseNs);
}

void run(FlashModel& chip, const std::vector<Cycle>& cycles, std::int64_t now = 0) {
    for (const Cycle& cycle : cycles) {
        chip.write(cycle.address, cycle.lowByte, cycle.value, now);
    }
}

std::vector<Cycle> operator+(std::vector<Cycle> a, const std::vector<Cycle>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct SequenceCase {
    std::string name;
    std::vector<Cycle> cycles;
    Mode expected;
};

void PrintTo(const SequenceCase& c, std::ostream* out) {
    *out << c.name;
}

class FlashCommands : public testing::TestWithParam<SequenceCase> {};

TEST_P(FlashCommands, EndInTheExpectedMode) {
    FlashModel chip = chipOf("S29GL128P");
    run(chip, GetParam().cycles);
    EXPECT_EQ(chip.mode(0), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, FlashCommands,
    testing::Values(
        SequenceCase{"autoselect", unlock + std::vector<Cycle>{{0x555, 0x90}}, Mode::Autoselect},
        SequenceCase{"resetLeavesAutoselect", unlock + std::vector<Cycle>{{0x555, 0x90}, {0, 0xF0}},
                     Mode::ReadArray},
        SequenceCase{"resetAfterFirstUnlock", {{0x555, 0xAA}, {0x555, 0xF0}}, Mode::ReadArray},
        SequenceCase{"resetBeforeCommand", unlock + std::vector<Cycle>{{0x555, 0xF0}},
                     Mode::ReadArray},
        SequenceCase{"resetInsideErase",
                     unlock + std::vector<Cycle>{{0x555, 0x80}, {0x555, 0xAA}, {0x2AA, 0xF0}},
                     Mode::ReadArray},
        SequenceCase{"wrongSecondAddress", {{0x555, 0xAA}, {0x2AB, 0x55}}, Mode::ReadArray},
        SequenceCase{"wrongSecondByte", {{0x555, 0xAA}, {0x2AA, 0x54}}, Mode::ReadArray},
        SequenceCase{"unknownCommand", unlock + std::vector<Cycle>{{0x555, 0x77}}, Mode::ReadArray},
        SequenceCase{"commandOnHighLane", unlock + std::vector<Cycle>{{0x555, 0x90, false}},
                     Mode::ReadArray},
        SequenceCase{"strayWriteLeavesAutoselect",
                     unlock + std::vector<Cycle>{{0x555, 0x90}, {0x123, 0x00}}, Mode::ReadArray},
        SequenceCase{
            "upperAddressLinesIgnored", {{0x800555, 0xAA}, {0x0012AA, 0x55}}, Mode::Unlocked2},
        SequenceCase{"unlockAgainFromAutoselect",
                     unlock + std::vector<Cycle>{{0x555, 0x90}} + unlock, Mode::Unlocked2},
        SequenceCase{"programSetUp", unlock + std::vector<Cycle>{{0x555, 0xA0}},
                     Mode::ProgramSetUp},
        SequenceCase{"eraseNeedsTheSecondUnlock",
                     unlock + std::vector<Cycle>{{0x555, 0x80}, {0x555, 0x10}}, Mode::ReadArray},
        SequenceCase{
            "chipErase",
            unlock + std::vector<Cycle>{{0x555, 0x80}} + unlock + std::vector<Cycle>{{0x555, 0x10}},
            Mode::Erasing}),
    [](const testing::TestParamInfo<SequenceCase>& info) { return info.param.name; });

struct CodeCase {
    const char* chip;
    std::uint32_t address;
    std::uint8_t low;
    std::uint8_t high;
};

void PrintTo(const CodeCase& c, std::ostream* out) {
    *out << c.chip << "@" << c.address;
}

class FlashAutoselect : public testing::TestWithParam<CodeCase> {};

TEST_P(FlashAutoselect, AnswersTheChipsCodes) {
    FlashModel chip = chipOf(GetParam().chip);
    run(chip, unlock + std::vector<Cycle>{{0x555, 0x90}});
    EXPECT_EQ(chip.read(GetParam().address, true, 0), GetParam().low);
    EXPECT_EQ(chip.read(GetParam().address, false, 0), GetParam().high);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, FlashAutoselect,
    testing::Values(CodeCase{"S29GL128P", 0, 0x01, 0x00}, CodeCase{"S29GL128P", 1, 0x7E, 0x22},
                    CodeCase{"S29GL128P", 2, 0x00, 0x00}, CodeCase{"S29GL128P", 14, 0x21, 0x22},
                    CodeCase{"S29GL128P", 15, 0x01, 0x22}, CodeCase{"MX29GL128F", 0, 0xC2, 0x00},
                    CodeCase{"Am29F040B", 0, 0x01, 0xFF}, CodeCase{"Am29F040B", 1, 0xA4, 0xFF},
                    CodeCase{"Am29F040B", 14, 0x00, 0xFF}, CodeCase{"Am29LV040B", 1, 0x4F, 0xFF}));

const std::vector<Cycle> chipErase =
    unlock + std::vector<Cycle>{{0x555, 0x80}} + unlock + std::vector<Cycle>{{0x555, 0x10}};

TEST(FlashErase, ReadsGiveToggledStatusUntilTheTimeIsUpThenEveryByteIsErased) {
    FlashModel chip = chipOf("S29GL128P");
    run(chip, std::vector<Cycle>(chipErase.begin(), chipErase.end() - 1));
    EXPECT_EQ(chip.write(0x555, true, 0x10, 100), FlashModel::Change::Erased);
    std::uint8_t previous = chip.read(0, true, 100);
    for (std::int64_t now = 200; now < 100 + EraseNs; now += 500) {
        const std::uint8_t status = chip.read(0, true, now);
        EXPECT_EQ(status & 0x80, 0);
        EXPECT_EQ((status ^ previous) & 0x44, 0x44);  // DQ6 and DQ2 toggle on every read
        previous = status;
    }
    EXPECT_EQ(chip.mode(100 + EraseNs), Mode::ReadArray);
    EXPECT_EQ(chip.read(0, true, 100 + EraseNs), 0xFF);
    EXPECT_EQ(chip.read(0x7FFFFF, false, 100 + EraseNs), 0xFF);
    for (std::uint8_t byte : chip.contents()) {
        ASSERT_EQ(byte, 0xFF);
    }
}

TEST(FlashErase, IgnoresResetAndCommandsWhileRunning) {
    FlashModel chip = chipOf("Am29F040B");
    run(chip, chipErase);
    run(chip, {{0, 0xF0}, {0x555, 0xAA}, {0x2AA, 0x55}, {0x555, 0x90}}, EraseNs - 1);
    EXPECT_EQ(chip.mode(EraseNs - 1), Mode::Erasing);
    EXPECT_EQ(chip.mode(EraseNs), Mode::ReadArray);
}

TEST(FlashProgram, ClearsOnlyTheBitsThatTheDataClearsThenReadsArray) {
    FlashModel chip = chipOf("S29GL128P");  // every byte 0x5A
    run(chip, unlock + std::vector<Cycle>{{0x555, 0xA0}});
    EXPECT_EQ(chip.write(0x100, false, 0x0F, 0), FlashModel::Change::Programmed);
    EXPECT_EQ(chip.mode(0), Mode::ReadArray);
    EXPECT_EQ(chip.read(0x100, false, 0), 0x0A);
    EXPECT_EQ(chip.read(0x100, true, 0), 0x5A);
    run(chip, unlock + std::vector<Cycle>{{0x555, 0xA0}, {0x100, 0xFF, false}});
    EXPECT_EQ(chip.read(0x100, false, 0), 0x0A);  // a 1 bit never comes back without an erase
}

}  // namespace
