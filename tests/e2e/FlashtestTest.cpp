// The shipped flashtest, unmodified, against the scripted port I/O library, with CLOCK_MONOTONIC
// sped up so that the 300 s erase wait passes in a fraction of a second.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "PortLog.h"
#include "ProgramRun.h"
#include "SampleChip.h"

namespace {

const std::string pausePrompt = "Press any key to continue . . . \n";
const std::string notInitialized = "IO driver not initialized !\n" + pausePrompt;

class FlashtestTest : public ::testing::Test {
  protected:
    ProgramResult run(const std::string& libraryDir, const std::string& status) {
        ProgramRun program;
        program.program = FLASHTEST_PATH;
        program.environment = {{"LD_LIBRARY_PATH", libraryDir},
                               {"LD_PRELOAD", FASTCLOCK_PATH},
                               {"SCRIPTIO_LOG", folder.file("ports.log")},
                               {"SCRIPTIO_STATUS", status}};
        return runProgram(program);
    }
    std::vector<PortCall> ports() const {
        return parseLog(readWholeFile(folder.file("ports.log")));
    }

    TemporaryFolder folder;
};

TEST_F(FlashtestTest, AloneInAFolderItReportsTheMissingLibrary) {
    const std::string copy = folder.file("flashtest");
    std::filesystem::copy_file(FLASHTEST_PATH, copy);
    ProgramRun program;
    program.program = copy;
    program.environment = {{"LD_LIBRARY_PATH", ""}, {"LD_PRELOAD", FASTCLOCK_PATH}};
    const ProgramResult result = runProgram(program);
    EXPECT_EQ(result.out, notInitialized);
    EXPECT_EQ(result.exitCode, 1);
    // A missing library is the normal case without an adapter: no reason is given for it.
    EXPECT_EQ(result.err.find("flashtest:"), std::string::npos) << result.err;
}

TEST_F(FlashtestTest, FindsTheLibraryBesideItself) {
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer intercepts dlopen, so the search runs with its runtime's paths, not ours.
    GTEST_SKIP() << "RUNPATH lookups from dlopen do not work under AddressSanitizer";
#endif
    const std::string copy = folder.file("flashtest");
    std::filesystem::copy_file(FLASHTEST_PATH, copy);
    std::filesystem::copy_file(std::string(SCRIPTIO_DIR) + "/full/libio.so",
                               folder.file("libio.so"));
    ProgramRun program;
    program.program = copy;
    program.environment = {{"LD_LIBRARY_PATH", ""},
                           {"LD_PRELOAD", FASTCLOCK_PATH},
                           {"SCRIPTIO_LOG", folder.file("ports.log")}};
    const ProgramResult result = runProgram(program);
    EXPECT_EQ(result.out, "H/W check failed !\n" + pausePrompt);  // floating status lines
    EXPECT_EQ(accessStrings(ports(), 100), constructionAndProbe);
}

struct BrokenLibrary {
    const char* name;
    const char* dir;
    bool loads;
};

class BrokenLibraryTest : public FlashtestTest,
                          public ::testing::WithParamInterface<BrokenLibrary> {};

TEST_P(BrokenLibraryTest, ReportsNotInitializedAndTouchesNoPort) {
    const ProgramResult result = run(std::string(SCRIPTIO_DIR) + "/" + GetParam().dir, "");
    EXPECT_EQ(result.out, notInitialized);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(ports().empty());
    // A library that is there but cannot be loaded is named with the loader's reason.
    const std::string loadFailure =
        "flashtest: cannot load libio.so: " + std::string(SCRIPTIO_DIR) + "/" + GetParam().dir +
        "/libio.so";
    const size_t line = result.err.find(loadFailure);
    EXPECT_EQ(line != std::string::npos, !GetParam().loads) << result.err;
    EXPECT_EQ(result.err.find("flashtest: ", line + 1), std::string::npos) << "only one line";
}

INSTANTIATE_TEST_SUITE_P(Flashtest, BrokenLibraryTest,
                         ::testing::Values(BrokenLibrary{"WithoutIsDriverInstalled",
                                                         "no_isdriverinstalled", true},
                                           BrokenLibrary{"WithoutPortOut", "no_portout", true},
                                           BrokenLibrary{"NotALibrary", "not_a_library", false}),
                         [](const auto& info) { return std::string(info.param.name); });

struct NoAdapter {
    const char* name;
    std::vector<bool> probe;
};

class NoAdapterTest : public FlashtestTest, public ::testing::WithParamInterface<NoAdapter> {};

TEST_P(NoAdapterTest, StopsAfterTheProbeWithLinesIdle) {
    const ProgramResult result =
        run(std::string(SCRIPTIO_DIR) + "/full", statusScript(GetParam().probe, {}));
    EXPECT_EQ(result.out, "H/W check failed !\n" + pausePrompt);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(accessStrings(ports(), 100), constructionAndProbe);
}

INSTANTIATE_TEST_SUITE_P(Flashtest, NoAdapterTest,
                         ::testing::Values(NoAdapter{"NothingAnswers", {false, false, false}},
                                           NoAdapter{"LateAnswer", {false, true, true}},
                                           NoAdapter{"StuckHigh", {true, true, true}}),
                         [](const auto& info) { return std::string(info.param.name); });

const std::vector<unsigned> chipBytes(sampleChipBytes.begin(), sampleChipBytes.end());
const std::string report = sampleChipReport + pausePrompt;

struct Board {
    const char* name;
    std::vector<bool> probe;
    std::string line;
};

class CompleteRunTest : public FlashtestTest, public ::testing::WithParamInterface<Board> {};

TEST_P(CompleteRunTest, ReportsTheChipAndLeavesTheLinesIdle) {
    const ProgramResult result =
        run(std::string(SCRIPTIO_DIR) + "/full", statusScript(GetParam().probe, chipBytes));
    EXPECT_EQ(result.out, GetParam().line + report);
    EXPECT_EQ(result.exitCode, 0);

    const auto accesses = ports();
    EXPECT_EQ(accessStrings(accesses, constructionAndProbe.size()), constructionAndProbe);
    EXPECT_EQ(busCycles(accesses), reportCycles);
    size_t writes = 0;
    for (const auto& a : accesses) {
        writes += a.kind == 'W' ? 1 : 0;
    }
    EXPECT_EQ(writes, 1658u);
    EXPECT_EQ(accesses.size() - writes, 3u + 8u * 8u);
    ASSERT_FALSE(accesses.empty());
    EXPECT_EQ(accessStrings({accesses.back()}, 1), std::vector<std::string>{"W 890 09"});
}

INSTANTIATE_TEST_SUITE_P(
    Flashtest, CompleteRunTest,
    ::testing::Values(Board{"Korvella", {true, false, true}, "Korvella+ detected !\n"},
                      Board{"Velmar", {true, true, false}, "Velmar/rev3b detected !\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FlashtestTest, ClosedOutputPipeDoesNotStopTheRunHalfway) {
    ProgramRun program;
    program.program = FLASHTEST_PATH;
    program.stdoutReaderGone = true;
    program.environment = {{"LD_LIBRARY_PATH", std::string(SCRIPTIO_DIR) + "/full"},
                           {"LD_PRELOAD", FASTCLOCK_PATH},
                           {"SCRIPTIO_LOG", folder.file("ports.log")},
                           {"SCRIPTIO_STATUS", statusScript({true, false, false}, chipBytes)}};
    const ProgramResult result = runProgram(program);
    EXPECT_EQ(result.exitCode, 0);
    const auto accesses = ports();
    ASSERT_EQ(accesses.size(), 1658u + 67u);
    EXPECT_EQ(accessStrings({accesses.back()}, 1), std::vector<std::string>{"W 890 09"});
}

}  // namespace
