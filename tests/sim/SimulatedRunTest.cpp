// The shipped flashtest against the simulated adapter, on a clock sped up 1000 times.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <vector>

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

std::string inFolder(const std::string& value, const TemporaryFolder& folder) {
    return value.rfind("@", 0) == 0 ? folder.path() + value.substr(1) : value;
}

std::vector<std::string> filesIn(const TemporaryFolder& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The image is replaced through a file nobody could prepare: links planted at the names a
// save might use are never followed, and the image keeps its mode and its link.
TEST(SimulatedRun, TheSavedImageKeepsItsModeAndItsLinkAndFollowsNoPlantedLink) {
    TemporaryFolder folder;
    writeWholeFile(folder.file("chip.img"), std::string(512 * 1024, '\x3C'));
    chmod(folder.file("chip.img").c_str(), 0600);
    writeWholeFile(folder.file("victim"), "kept");
    symlink("chip.img", folder.file("link.img").c_str());
    for (const char* planted : {"chip.img.tmp", "link.img.tmp"}) {
        symlink("victim", folder.file(planted).c_str());
    }
    const ProgramResult result = runSimulated(
        {{"LPTIO_SIM_CHIP", "Am29F040B"}, {"LPTIO_SIM_IMAGE", folder.file("link.img")}});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(std::filesystem::is_symlink(folder.file("link.img")));
    EXPECT_EQ(readWholeFile(folder.file("chip.img")), std::string(512 * 1024, '\xFF'));
    EXPECT_EQ(std::filesystem::status(folder.file("chip.img")).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(readWholeFile(folder.file("victim")), "kept");
}

// A file size limit makes the erase's save fail; the run goes on, and says what was lost.
TEST(SimulatedRun, AFailedSaveSaysTheNewContentsWereNotSavedAndKeepsTheOldImage) {
    TemporaryFolder folder;
    const std::string image = folder.file("chip.img");
    const std::string kept(512 * 1024, '\x3C');
    writeWholeFile(image, kept);
    const ProgramResult result =
        runSimulatedFromShell({{"LPTIO_SIM_CHIP", "Am29F040B"}, {"LPTIO_SIM_IMAGE", image}},
                              "trap '' XFSZ; ulimit -f 64; exec \"$0\"");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err,
              "lptio: simulation, no real port: board korvella+, chip Am29F040B, image " + image +
                  "\nlptio: the chip's new contents were not saved to " + image +
                  " (File too large); the next run starts from the contents saved "
                  "before\n");
    EXPECT_EQ(readWholeFile(image), kept);
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"chip.img"});
}

// Started with standard output closed, the program must not write its text into a trace.
TEST(SimulatedRun, ClosedStandardOutputNeverReachesATrace) {
    TemporaryFolder folder;
    runSimulatedFromShell(
        {{"LPTIO_SIM_BOARD", "none"}, {"LPTIO_TRACE_BUSLOG", folder.file("run.log")}},
        "exec \"$0\" >&-");
    const std::string log = readWholeFile(folder.file("run.log"));
    EXPECT_EQ(log.rfind("# ", 0), 0u) << log;
    EXPECT_EQ(log.find("H/W"), std::string::npos) << log;
}

struct BadCase {
    std::string name;
    std::map<std::string, std::string> settings;  // "@" stands for the test's folder
    const char* named;                            // the variable the message names
    std::string shown;                            // its value in the message
    int imageMode = 0644;
    bool imageLocked = false;  // by another run
};

void PrintTo(const BadCase& bad, std::ostream* out) {
    *out << bad.name;
}

class SimulatedBadSetting : public testing::TestWithParam<BadCase> {};

// A refused run changes no file: not the image, not a file a trace names, and it makes none.
TEST_P(SimulatedBadSetting, NamesTheVariableFailsTheHardwareCheckAndChangesNoFile) {
    TemporaryFolder folder;
    const std::string image = folder.file("chip.img");
    const std::string kept(512 * 1024, '\x3C');  // a valid image of the chip below
    writeWholeFile(image, kept);
    writeWholeFile(folder.file("notes.txt"), "kept");
    std::filesystem::copy_file(SIM_LIBRARY_DIR "/libio.so", folder.file("libio.so"));
    chmod(image.c_str(), static_cast<mode_t>(GetParam().imageMode));
    const int otherRun = open(image.c_str(), O_RDONLY);
    ASSERT_TRUE(!GetParam().imageLocked || flock(otherRun, LOCK_EX) == 0);
    std::map<std::string, std::string> environment = {{"LPTIO_SIM_CHIP", "Am29F040B"},
                                                      {"LPTIO_SIM_IMAGE", image}};
    for (const auto& [variable, value] : GetParam().settings) {
        environment[variable] = inFolder(value, folder);
    }
    const std::vector<std::string> files = filesIn(folder);
    const ProgramResult result = runSimulated(environment);
    close(otherRun);
    EXPECT_EQ(result.out, "H/W check failed !\n" + PauseLine);
    EXPECT_EQ(result.exitCode, 1);
    const std::string shown = inFolder(GetParam().shown, folder);
    EXPECT_NE(result.err.find(std::string(GetParam().named) + "=\"" + shown + "\": "),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("; accepted: "), std::string::npos) << result.err;
    EXPECT_EQ(readWholeFile(image), kept);
    EXPECT_EQ(readWholeFile(folder.file("notes.txt")), "kept");
    EXPECT_EQ(filesIn(folder), files);
}

const char* const Image = "LPTIO_SIM_IMAGE";
const char* const Vcd = "LPTIO_TRACE_VCD";
const char* const BusLog = "LPTIO_TRACE_BUSLOG";

INSTANTIATE_TEST_SUITE_P(
    Settings, SimulatedBadSetting,
    testing::Values(
        BadCase{"board", {{"LPTIO_SIM_BOARD", "korvela+"}}, "LPTIO_SIM_BOARD", "korvela+"},
        BadCase{"chip", {{"LPTIO_SIM_CHIP", "Am29F040"}}, "LPTIO_SIM_CHIP", "Am29F040"},
        BadCase{"eraseTime", {{"LPTIO_SIM_ERASE_MS", "11s"}}, "LPTIO_SIM_ERASE_MS", "11s"},
        BadCase{"vcdTrace", {{Vcd, "@/missing/run.vcd"}}, Vcd, "@/missing/run.vcd"},
        BadCase{"busLogTrace", {{BusLog, "@/missing/run.log"}}, BusLog, "@/missing/run.log"},
        BadCase{"imageIsAFolder", {{Image, "@"}}, Image, "@"},
        BadCase{
            "imageInAMissingFolder", {{Image, "@/missing/chip.img"}}, Image, "@/missing/chip.img"},
        BadCase{"imageOfAnotherChip", {{"LPTIO_SIM_CHIP", "S29GL128P"}}, Image, "@/chip.img"},
        BadCase{"imageReadOnly", {}, Image, "@/chip.img", 0444},
        BadCase{"imageInUse", {}, Image, "@/chip.img", 0644, true},
        BadCase{"traceIsTheImage", {{Vcd, "@/chip.img"}}, Vcd, "@/chip.img"},
        BadCase{"traceIsTheOtherTrace", {{Vcd, "@/run"}, {BusLog, "@/./run"}}, BusLog, "@/./run"},
        BadCase{"traceIsTheLibrary",
                {{"LD_LIBRARY_PATH", "@"}, {BusLog, "@/libio.so"}},
                BusLog,
                "@/libio.so"},
        BadCase{"traceOfARefusedRun",
                {{"LPTIO_SIM_BOARD", "bogus"}, {BusLog, "@/notes.txt"}},
                "LPTIO_SIM_BOARD",
                "bogus"},
        BadCase{"valueEscapedAndCut",
                {{"LPTIO_SIM_CHIP", "Am\x1B[2J\n" + std::string(200, 'x')}},
                "LPTIO_SIM_CHIP",
                "Am\\x1B[2J\\x0A" + std::string(87, 'x') + "..."}),
    [](const testing::TestParamInfo<BadCase>& info) { return info.param.name; });

}  // namespace
