// Complete runs under Wine, for either Windows build: against the simulator, and against the
// scripted library that records every port access. ctest speeds up Wine's clock for them, or,
// for the one real-time run, leaves it alone.
#include <gtest/gtest.h>

#include "PortLog.h"
#include "SampleChip.h"
#include "WineProgramRun.h"

namespace {

TEST(WineCompleteRun, SimulatorRunReportsTheChipErasesItAndExitsWithZero) {
    ASSERT_FALSE(setting("LPTFLASH_WINE").empty()) << "run this through ctest";
    ASSERT_NE(pausePrompt().find("Press any key"), std::string::npos) << pausePrompt();

    const OperatorFolder folder(setting("LPTFLASH_WINDOWS_SIMULATOR"));
    const ProgramResult result = folder.run();

    // The simulator's default chip, fresh (its image starts with "LP"), on its default board.
    EXPECT_EQ(result.out, expectedOutput("Korvella+ detected !\n#READ:[00]=0x504C\n"
                                         "#ID:  [MAN]=0x01; [DEV]=0x7E\n"
                                         "#EXT: [DEV]=0x21; [DEV]=0x01\nErase in progress...\n"
                                         "Wait 300 seconds !\n#READ:[00]=0xFFFF\n\n"))
        << result.err;
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err.find("lptio:"), std::string::npos) << "simulator problem: " << result.err;
    // The erase reached the chip, and the simulator's Windows file code replaced its image.
    const std::string image = folder.file("lptio-sim-S29GL128P.img");
    const std::string contents = readWholeFile(image);
    EXPECT_EQ(contents.size(), 16u * 1024 * 1024) << image;
    EXPECT_EQ(contents.find_first_not_of('\xFF'), std::string::npos) << image << " not erased";
}

// Every port write and read as the Linux program makes them, through the library's own calling
// convention (stdcall on x86, where a mismatch would corrupt the stack).
TEST(WineCompleteRun, RecordingLibrarySeesEveryPortAccessInOrder) {
    ASSERT_FALSE(setting("LPTFLASH_WINE").empty()) << "run this through ctest";
    const std::vector<unsigned> chipBytes(sampleChipBytes.begin(), sampleChipBytes.end());

    const OperatorFolder folder(setting("LPTFLASH_WINDOWS_SCRIPTIO"));
    const ProgramResult result = folder.run(
        {{"SCRIPTIO_LOG", "ports.log"}, {"SCRIPTIO_STATUS", statusScript({1, 0, 1}, chipBytes)}});

    EXPECT_EQ(result.out, expectedOutput(std::string("Korvella+ detected !\n") + sampleChipReport))
        << result.err;
    EXPECT_EQ(result.exitCode, 0);
    const auto accesses = parseLog(readWholeFile(folder.file("ports.log")));
    EXPECT_EQ(accessStrings(accesses, constructionAndProbe.size()), constructionAndProbe);
    EXPECT_EQ(busCycles(accesses), reportCycles);
    EXPECT_EQ(accesses.size(), 1658u + 3u + 8u * 8u);
    ASSERT_FALSE(accesses.empty());
    EXPECT_EQ(accessStrings({accesses.back()}, 1), std::vector<std::string>{"W 890 09"});
}

}  // namespace
