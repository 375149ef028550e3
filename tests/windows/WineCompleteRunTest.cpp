// One complete run with the simulator under Wine, in real time: the erase wait takes its full
// 300 s, since no clock can be sped up inside Wine.
#include <gtest/gtest.h>

#include "WineProgramRun.h"

namespace {

TEST(WineCompleteRun, SimulatorRunReportsTheChipErasesItAndExitsWithZero) {
    ASSERT_FALSE(setting("LPTFLASH_WINE").empty()) << "run this through ctest";
    ASSERT_NE(pausePrompt().find("Press any key"), std::string::npos) << pausePrompt();

    const OperatorFolder folder(setting("LPTFLASH_WINDOWS_SIMULATOR"));
    const ProgramResult result = folder.run();

    // The simulator's default chip, fresh (its image starts with "LP"), on its default board.
    EXPECT_EQ(result.out, expectedOutput({"Korvella+ detected !", "#READ:[00]=0x504C",
                                          "#ID:  [MAN]=0x01; [DEV]=0x7E",
                                          "#EXT: [DEV]=0x21; [DEV]=0x01", "Erase in progress...",
                                          "Wait 300 seconds !", "#READ:[00]=0xFFFF", ""}))
        << result.err;
    EXPECT_EQ(result.exitCode, 0);
    // The simulator says once that it is one, and nothing else.
    EXPECT_EQ(result.err.rfind("lptio: simulation, no real port: board korvella+, chip S29GL128P, "
                               "image lptio-sim-S29GL128P.img",
                               0),
              0u)
        << result.err;
    EXPECT_EQ(result.err.find("lptio:", 1), std::string::npos)
        << "simulator problem: " << result.err;
    // The erase reached the chip, and the simulator's Windows file code replaced its image.
    const std::string image = folder.file("lptio-sim-S29GL128P.img");
    const std::string contents = readWholeFile(image);
    EXPECT_EQ(contents.size(), 16u * 1024 * 1024) << image;
    EXPECT_EQ(contents.find_first_not_of('\xFF'), std::string::npos) << image << " not erased";
}

}  // namespace
