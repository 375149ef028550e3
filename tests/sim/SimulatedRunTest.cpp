// The shipped flashtest against the simulated adapter, on a clock sped up 1000 times.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <ostream>
#include <string>

#include "ProgramRun.h"
#include "SimulatedRun.h"

namespace {

// The simulator's one line, the library's only message (sanitizer reports may follow it).
void expectOnlyTheAnnouncement(const std::string& err, const std::string& tail) {
    const std::string line = err.substr(0, err.find('\n') + 1);
    EXPECT_EQ(line.rfind("lptio: simulation, no real port: board ", 0), 0u) << err;
    EXPECT_EQ(line.size() - line.rfind(tail), tail.size() + 1) << err;
    EXPECT_EQ(err.find("lptio: ", 1), std::string::npos) << err;
}

std::string completeReport(const std::string& board, const std::string& firstWord,
                           const std::string& identifier, const std::string& extended) {
    return board + " detected !\n#READ:[00]=" + firstWord + "\n#ID:  " + identifier +
           "\n#EXT: " + extended +
           "\nErase in progress...\nWait 300 seconds !\n#READ:[00]=0xFFFF\n\n" + PauseLine;
}

struct CompleteCase {
    const char* name;
    const char* board;  // empty: the default
    const char* chip;   // empty: the default
    std::string expected;
};

void PrintTo(const CompleteCase& run, std::ostream* out) {
    *out << run.name;
}

class SimulatedCompleteRun : public testing::TestWithParam<CompleteCase> {};

TEST_P(SimulatedCompleteRun, PrintsTheChipsReportAndLeavesItErased) {
    TemporaryFolder folder;
    const std::string image = folder.file("chip.img");
    const ProgramResult result = runSimulated({{"LPTIO_SIM_BOARD", GetParam().board},
                                               {"LPTIO_SIM_CHIP", GetParam().chip},
                                               {"LPTIO_SIM_IMAGE", image}});
    EXPECT_EQ(result.out, GetParam().expected);
    expectOnlyTheAnnouncement(result.err, "image " + image);
    EXPECT_EQ(result.exitCode, 0);
    const std::string contents = readWholeFile(image);
    EXPECT_FALSE(contents.empty());
    EXPECT_EQ(contents.find_first_not_of('\xFF'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    BoardsAndChips, SimulatedCompleteRun,
    testing::Values(CompleteCase{"defaults", "", "",
                                 completeReport("Korvella+", "0x504C", "[MAN]=0x01; [DEV]=0x7E",
                                                "[DEV]=0x21; [DEV]=0x01")},
                    CompleteCase{"velmarMX29GL128F", "velmar/rev3b", "MX29GL128F",
                                 completeReport("Velmar/rev3b", "0x504C", "[MAN]=0xC2; [DEV]=0x7E",
                                                "[DEV]=0x21; [DEV]=0x01")},
                    CompleteCase{"korvellaAm29F040B", "Korvella+", "Am29F040B",
                                 completeReport("Korvella+", "0xFF4C", "[MAN]=0x01; [DEV]=0xA4",
                                                "[DEV]=0x00; [DEV]=0x00")},
                    CompleteCase{"velmarAm29LV040B", "VELMAR/rev3b", "am29lv040b",
                                 completeReport("Velmar/rev3b", "0xFF4C", "[MAN]=0x01; [DEV]=0x4F",
                                                "[DEV]=0x00; [DEV]=0x00")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimulatedRun, TheErasedImageSurvivesIntoTheNextRun) {
    TemporaryFolder folder;
    const std::map<std::string, std::string> environment = {
        {"LPTIO_SIM_CHIP", "MX29F040"}, {"LPTIO_SIM_IMAGE", folder.file("chip.img")}};
    ASSERT_EQ(runSimulated(environment).exitCode, 0);
    const ProgramResult second = runSimulated(environment);
    EXPECT_EQ(second.out, completeReport("Korvella+", "0xFFFF", "[MAN]=0xC2; [DEV]=0xA4",
                                         "[DEV]=0x00; [DEV]=0x00"));
}

TEST(SimulatedRun, WithoutAnImageSettingTheImageIsCreatedInTheCurrentFolder) {
    TemporaryFolder folder;
    const ProgramResult result = runSimulated({}, folder.path());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(std::filesystem::file_size(folder.file("lptio-sim-S29GL128P.img")), 16u << 20);
}

TEST(SimulatedRun, BoardNoneFailsTheHardwareCheckAndTouchesNoImage) {
    TemporaryFolder folder;
    const ProgramResult result = runSimulated({{"LPTIO_SIM_BOARD", "none"},
                                               {"LPTIO_SIM_IMAGE", folder.file("chip.img")},
                                               {"LPTIO_TRACE_BUSLOG", folder.file("run.log")}});
    EXPECT_EQ(result.out, "H/W check failed !\n" + PauseLine);
    expectOnlyTheAnnouncement(result.err, "board none (no adapter answers)");
    EXPECT_NE(readWholeFile(folder.file("run.log")).find("  probe  no adapter answered\n"),
              std::string::npos);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(folder.file("chip.img")));
}

struct BadCase {
    std::string name;
    const char* variable;
    std::string value;  // "@" stands for the test's folder
    const char* named;  // the variable the message names; nullptr: the one set
};

void PrintTo(const BadCase& bad, std::ostream* out) {
    *out << bad.variable << "=" << bad.value;
}

class SimulatedBadSetting : public testing::TestWithParam<BadCase> {};

TEST_P(SimulatedBadSetting, NamesTheVariableFailsTheHardwareCheckAndKeepsTheImage) {
    TemporaryFolder folder;
    const std::string image = folder.file("chip.img");
    const std::string kept(512 * 1024, '\x3C');  // a valid image of the chip below
    writeWholeFile(image, kept);
    std::string value = GetParam().value;
    if (value.rfind("@", 0) == 0) {
        value = folder.path() + value.substr(1);
    }
    std::map<std::string, std::string> environment = {{"LPTIO_SIM_CHIP", "Am29F040B"},
                                                      {"LPTIO_SIM_IMAGE", image}};
    environment[GetParam().variable] = value;
    const ProgramResult result = runSimulated(environment);
    EXPECT_EQ(result.out, "H/W check failed !\n" + PauseLine);
    EXPECT_EQ(result.exitCode, 1);
    const char* named = GetParam().named != nullptr ? GetParam().named : GetParam().variable;
    const std::string shown = GetParam().named != nullptr ? image : value;
    EXPECT_NE(result.err.find(std::string(named) + "=\"" + shown + "\": "), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("; accepted: "), std::string::npos) << result.err;
    EXPECT_EQ(readWholeFile(image), kept);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SimulatedBadSetting,
    testing::Values(
        BadCase{"board", "LPTIO_SIM_BOARD", "korvela+", nullptr},
        BadCase{"chip", "LPTIO_SIM_CHIP", "Am29F040", nullptr},
        BadCase{"eraseTime", "LPTIO_SIM_ERASE_MS", "11s", nullptr},
        BadCase{"vcdTrace", "LPTIO_TRACE_VCD", "@/missing/run.vcd", nullptr},
        BadCase{"busLogTrace", "LPTIO_TRACE_BUSLOG", "@/missing/run.log", nullptr},
        BadCase{"imageIsAFolder", "LPTIO_SIM_IMAGE", "@", nullptr},
        BadCase{"imageInAMissingFolder", "LPTIO_SIM_IMAGE", "@/missing/chip.img", nullptr},
        BadCase{"imageOfAnotherChip", "LPTIO_SIM_CHIP", "S29GL128P", "LPTIO_SIM_IMAGE"}),
    [](const testing::TestParamInfo<BadCase>& info) { return info.param.name; });

}  // namespace
