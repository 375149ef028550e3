// SPDX-License-Identifier: MIT
// The flash layer's whole-chip work on the recording fake: the driver's block reads against the
// simulator's adapter and chip models, and status polling against scripted status bytes and
// the fake counter.
#include "flash/ChipOperations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "FakePortIo.h"
#include "PortLog.h"
#include "driver/Korvella4v4.h"
#include "sim/AdapterBoard.h"
#include "sim/ChipCatalog.h"
#include "sim/FlashModel.h"

namespace {

constexpr std::int32_t Lpt1 = 888;

// The simulated adapter and chip behind the fake port; contents distinguish every address and
// both lanes.
class SimulatedSocket {
  public:
    explicit SimulatedSocket(const char* chipName)
        : type(*sim::findChip(chipName)),
          model(type, pattern(type.sizeBytes), 5000),
          board(sim::BoardKind::Korvella, &model) {
        fakePortIo().board = [this](short port, std::uint8_t value) {
            board.write(static_cast<PortRegister>(port - Lpt1), value, 0);
        };
        fakePortIo().boardAnswer = [this](short port) {
            return board.read(static_cast<PortRegister>(port - Lpt1));
        };
    }
    static std::vector<std::uint8_t> pattern(std::uint32_t size) {
        std::vector<std::uint8_t> bytes(size);
        for (std::uint32_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8) * 13 + (i >> 16));
        }
        return bytes;
    }
    const sim::ChipType& type;
    sim::FlashModel model;
    sim::AdapterBoard board;
};

struct BlockReadCase {
    const char* chip;
    std::uint32_t firstAddress;
    std::uint32_t maxAccessesPerByte;  // the adapter's fast sequence must stay under this
};

class BlockReadTest : public ::testing::TestWithParam<BlockReadCase> {
  protected:
    void SetUp() override { resetFakePortIo(); }
};

TEST_P(BlockReadTest, EveryWayGivesTheChipsBytesAndTheFastOneStaysUnderItsBound) {
    const BlockReadCase& row = GetParam();
    SimulatedSocket socket(row.chip);
    Korvella4v4 driver(Lpt1);
    FlashChip chip(&driver);
    const bool wide = socket.type.busWidth == 16;
    constexpr std::uint32_t Count = 300;
    const std::uint32_t bytes = wide ? 2 * Count : Count;
    const std::uint32_t offset = wide ? 2 * row.firstAddress : row.firstAddress;
    const std::vector<std::uint8_t> expected(socket.model.contents().begin() + offset,
                                             socket.model.contents().begin() + offset + bytes);
    beginArrayRead(chip);

    std::vector<std::uint8_t> fast(bytes), careful(bytes), plain(bytes);
    const std::size_t before = fakePortIo().log.size();
    readArray(chip, row.firstAddress, Count, wide, false, fast.data());
    const std::vector<std::string> fastLog = fakePortIo().log;
    readArray(chip, row.firstAddress, Count, wide, true, careful.data());
    driver.ProgrammerDriver::readBlock(row.firstAddress, Count, wide, plain.data());
    chip.endAccess();

    EXPECT_EQ(fast, expected);
    EXPECT_EQ(careful, expected);
    EXPECT_EQ(plain, expected);
    const std::size_t accesses = fastLog.size() - before;
    EXPECT_LE(accesses, std::size_t{row.maxAccessesPerByte} * bytes) << accesses;
    // The traces' decoder follows the fast sequence: one read cycle per byte, lane by lane.
    std::vector<std::string> cycles = busCycles(fastLog);
    cycles.erase(cycles.begin(), cycles.end() - bytes);
    EXPECT_EQ(cycles.front(), readCycle(row.firstAddress, true, expected.front()));
    EXPECT_EQ(cycles.back(), readCycle(row.firstAddress + Count - 1, !wide, expected.back()));
}

INSTANTIATE_TEST_SUITE_P(ChipOperations, BlockReadTest,
                         ::testing::Values(BlockReadCase{"S29GL128P", 0x7FFE00, 50},
                                           BlockReadCase{"Am29F040B", 0x12345, 75}),
                         [](const auto& info) { return std::string(info.param.chip); });

// Status bytes as the chip's read-back gives them, eight inverted bits each.
void chipAnswers(std::initializer_list<std::uint8_t> bytes) {
    for (const std::uint8_t byte : bytes) {
        for (int bit = 7; bit >= 0; --bit) {
            fakePortIo().statusAnswers.push_back(((byte >> bit) & 1) != 0 ? 0x00 : 0x40);
        }
    }
}

const std::string reset = writeCycle(0x000, 0xF0, "reset");

struct PollCase {
    const char* name;
    bool erase;  // else a program of 0x92 at 0x1234
    std::vector<std::uint8_t> statuses;
    bool statusStaysBusy;  // after the script: reads give 0x00, DQ7 clear
    std::uint64_t limitUs;
    ChipOutcome outcome;
    std::size_t reads;  // status reads made
};

class PollTest : public ::testing::TestWithParam<PollCase> {
  protected:
    void SetUp() override { resetFakePortIo(); }
};

TEST_P(PollTest, EndsAsTheStatusSaysAndResetsAfterAFailure) {
    const PollCase& row = GetParam();
    Korvella4v4 driver(Lpt1);
    FlashChip chip(&driver);
    for (const std::uint8_t status : row.statuses) {
        chipAnswers({status});
    }
    fakePortIo().statusWhenScriptEnds = row.statusStaysBusy ? 0x40 : 0x00;
    ChipOutcome outcome{};
    if (row.erase) {
        outcome = eraseWholeChip(chip, row.limitUs, nullptr);
    } else {
        beginArrayRead(chip);
        outcome = programByte(chip, 0x1234, 0x92, row.limitUs);
    }
    EXPECT_EQ(outcome, row.outcome);
    std::vector<std::string> cycles = busCycles(fakePortIo().log);
    const auto command =
        std::find(cycles.begin(), cycles.end(),
                  row.erase ? writeCycle(0x555, 0x10, "chip erase")
                            : writeCycle(0x1234, 0x92, "program 0x92 at 0x001234"));
    ASSERT_NE(command, cycles.end());
    const std::vector<std::string> after(command + 1, cycles.end());
    const std::size_t reads = static_cast<std::size_t>(std::count_if(
        after.begin(), after.end(), [](const std::string& c) { return c.rfind("read", 0) == 0; }));
    if (!row.statusStaysBusy) {
        EXPECT_EQ(reads, row.reads);
    }
    // Polls read where the operation works; a failure ends in a reset, success does not.
    EXPECT_EQ(after.front().substr(0, 20),
              readCycle(row.erase ? 0 : 0x1234, true, 0).substr(0, 20));
    const bool failed = outcome == ChipOutcome::Failed || outcome == ChipOutcome::TimedOut;
    EXPECT_EQ(std::count(after.begin(), after.end(), reset), failed ? 1 : 0);
    EXPECT_EQ(after.back() == reset || (row.erase && after.back().rfind("read", 0) != 0), failed);
}

INSTANTIATE_TEST_SUITE_P(
    ChipOperations, PollTest,
    ::testing::Values(
        PollCase{
            "EraseEndsOnDQ7", true, {0x00, 0x40, 0xFF}, false, 300000000, ChipOutcome::Done, 3},
        PollCase{"EraseFailsOnDQ5AfterTheReread",
                 true,
                 {0x04, 0x20, 0x64},
                 false,
                 300000000,
                 ChipOutcome::Failed,
                 3},
        PollCase{"EraseDQ5WithDQ7TurningTrueIsDone",
                 true,
                 {0x20, 0xFF},
                 false,
                 300000000,
                 ChipOutcome::Done,
                 2},
        PollCase{"EraseTimesOutOnTheCounter", true, {}, true, 50000, ChipOutcome::TimedOut, 0},
        PollCase{
            "ProgramEndsOnTrueDQ7", false, {0x12, 0x12, 0x92}, false, 300, ChipOutcome::Done, 3},
        PollCase{"ProgramFailsOnDQ5", false, {0x32, 0x32}, false, 300, ChipOutcome::Failed, 2},
        PollCase{"ProgramTimesOut", false, {}, true, 300, ChipOutcome::TimedOut, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChipCatalogLookup, NamesEachChipByItsCodesAndByNameInAnyCase) {
    for (const protocol::ChipType& type : protocol::chipTable) {
        ChipCodes codes;
        codes.manufacturer = static_cast<std::uint8_t>(type.manufacturer);
        codes.device = static_cast<std::uint8_t>(type.device);
        codes.extended14 = static_cast<std::uint8_t>(type.extended14);
        codes.extended15 = static_cast<std::uint8_t>(type.extended15);
        EXPECT_EQ(chipWithCodes(codes), &type) << type.name;
        std::string lower = type.name;
        std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
        EXPECT_EQ(chipNamed(lower), &type);
        codes.extended15 = type.hasExtendedCodes ? 0x02 : codes.extended15;  // S29GL256's
        EXPECT_EQ(chipWithCodes(codes) == nullptr, type.hasExtendedCodes) << type.name;
    }
    EXPECT_EQ(chipWithCodes(ChipCodes{0xFF, 0xFF, 0xFF, 0xFF}), nullptr);  // empty socket
    EXPECT_EQ(chipNamed("S29GL128"), nullptr);
}

}  // namespace
