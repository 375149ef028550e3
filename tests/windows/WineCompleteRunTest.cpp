// One complete run with the simulator under Wine, in real time: the erase wait takes its full
// 300 s, since no clock can be sped up inside Wine.
#include <gtest/gtest.h>

#include "WineProgramRun.h"

namespace {

TEST(WineCompleteRun, SimulatorRunReportsTheChipErasesItAndExitsWithZero) {
    ASSERT_FALSE(setting("LPTFLASH_WINE").empty()) << "run this through ctest";
    ASSERT_NE(pausePrompt().find("Press any key"), std::string::npos) << pausePrompt();

    const ProgramResult result = OperatorFolder(setting("LPTFLASH_WINDOWS_SIMULATOR")).run();

    // The simulator's default chip, fresh (its image starts with "LP"), on its default board.
    EXPECT_EQ(result.out, expectedOutput({"Korvella+ detected !", "#READ:[00]=0x504C",
                                          "#ID:  [MAN]=0x01; [DEV]=0x7E",
                                          "#EXT: [DEV]=0x21; [DEV]=0x01", "Erase in progress...",
                                          "Wait 300 seconds !", "#READ:[00]=0xFFFF", ""}))
        << result.err;
    EXPECT_EQ(result.exitCode, 0);
}

}  // namespace
