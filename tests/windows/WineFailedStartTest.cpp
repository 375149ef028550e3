// The runs that end after detection, under Wine: each prints one line, the pause prompt after
// it although stdout is a pipe, and exits with 1.
#include <gtest/gtest.h>

#include "WineProgramRun.h"

namespace {

struct FailedStart {
    const char* name;
    const char* ioDllSetting;  // names the io.dll to put beside the program; null: none
    const char* board;         // the simulator's board; null: not set
    const char* line;
};

class WineFailedStart : public ::testing::TestWithParam<FailedStart> {};

TEST_P(WineFailedStart, PrintsItsLineThenThePauseAndExitsWithOne) {
    ASSERT_FALSE(setting("LPTFLASH_WINE").empty()) << "run this through ctest";
    // Guards the exact comparison against a command processor that never ran.
    ASSERT_NE(pausePrompt().find("Press any key"), std::string::npos) << pausePrompt();
    const FailedStart& start = GetParam();

    const OperatorFolder folder(start.ioDllSetting != nullptr ? setting(start.ioDllSetting) : "");
    std::map<std::string, std::string> environment;
    if (start.board != nullptr) {
        environment["LPTIO_SIM_BOARD"] = start.board;
    }
    const ProgramResult result = folder.run(environment);

    EXPECT_EQ(result.out, expectedOutput({start.line})) << result.err;
    EXPECT_EQ(result.exitCode, 1);
    // The library without IsDriverInstalled reports every call that reaches it: none may.
    EXPECT_EQ(result.err.find("called on port"), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    Windows, WineFailedStart,
    ::testing::Values(FailedStart{"NoIoLibrary", nullptr, nullptr, "IO driver not initialized !"},
                      FailedStart{"IoLibraryWithoutIsDriverInstalled",
                                  "LPTFLASH_WINDOWS_WITHOUT_PRESENCE_TEST", nullptr,
                                  "IO driver not initialized !"},
                      FailedStart{"SimulatorWithoutAdapter", "LPTFLASH_WINDOWS_SIMULATOR", "none",
                                  "H/W check failed !"}),
    [](const ::testing::TestParamInfo<FailedStart>& info) { return info.param.name; });

}  // namespace
