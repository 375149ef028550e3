// The runs that end after detection, under Wine, for either Windows build: each prints one
// line, the pause prompt after it although stdout is a pipe, and exits with 1.
#include <gtest/gtest.h>

#include "WineProgramRun.h"

namespace {

struct FailedStart {
    const char* name;
    const char* ioDllSetting;  // names the io.dll to put beside the program; null: none
    const char* board;         // the simulator's board; null: not set
    const char* line;
    bool loadFails;        // io.dll is there but cannot be loaded: stderr says why, naming it
    bool namesOtherBuild;  // ... and which build of flashtest can load it
};

const char* const notInitialized = "IO driver not initialized !\n";

class WineFailedStart : public ::testing::TestWithParam<FailedStart> {};

TEST_P(WineFailedStart, PrintsItsLineThenThePauseAndExitsWithOne) {
    ASSERT_FALSE(setting("LPTFLASH_WINE").empty()) << "run this through ctest";
    // Guards the exact comparison against a command processor that never ran.
    ASSERT_NE(pausePrompt().find("Press any key"), std::string::npos) << pausePrompt();
    const FailedStart& start = GetParam();
    const std::string ioDll = start.ioDllSetting != nullptr ? setting(start.ioDllSetting) : "";
    if (start.ioDllSetting != nullptr && ioDll.empty()) {
        GTEST_SKIP() << start.ioDllSetting << " not set: the other build was not made";
    }

    const OperatorFolder folder(ioDll);
    std::map<std::string, std::string> environment = {{"SCRIPTIO_LOG", "ports.log"}};
    if (start.board != nullptr) {
        environment["LPTIO_SIM_BOARD"] = start.board;
    }
    const ProgramResult result = folder.run(environment);

    EXPECT_EQ(result.out, expectedOutput(start.line)) << result.err;
    EXPECT_EQ(result.exitCode, 1);
    // The scripted libraries log every access that reaches them: none may.
    EXPECT_EQ(readWholeFile(folder.file("ports.log")), "");
    const size_t reason = result.err.find("flashtest: cannot load ");
    EXPECT_EQ(reason != std::string::npos, start.loadFails) << result.err;
    if (start.loadFails) {
        EXPECT_NE(result.err.find("io.dll: ", reason), std::string::npos) << result.err;
    }
    if (start.namesOtherBuild) {
        const std::string hint = "use the " + setting("LPTFLASH_WINDOWS_OTHER_BUILD") + " build";
        EXPECT_NE(result.err.find(hint), std::string::npos) << result.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Windows, WineFailedStart,
    ::testing::Values(FailedStart{"NoIoLibrary", nullptr, nullptr, notInitialized, false, false},
                      FailedStart{"IoLibraryWithoutIsDriverInstalled",
                                  "LPTFLASH_WINDOWS_WITHOUT_ISDRIVERINSTALLED", nullptr,
                                  notInitialized, false, false},
                      FailedStart{"IoLibraryWithoutPortOut", "LPTFLASH_WINDOWS_WITHOUT_PORTOUT",
                                  nullptr, notInitialized, false, false},
                      FailedStart{"IoLibraryOfTheOtherBuild", "LPTFLASH_WINDOWS_OTHER_SIMULATOR",
                                  nullptr, notInitialized, true, true},
                      FailedStart{"IoDllThatIsNoLibrary", "LPTFLASH_WINDOWS_NOT_A_LIBRARY", nullptr,
                                  notInitialized, true, false},
                      FailedStart{"SimulatorWithoutAdapter", "LPTFLASH_WINDOWS_SIMULATOR", "none",
                                  "H/W check failed !\n", false, false}),
    [](const ::testing::TestParamInfo<FailedStart>& info) { return info.param.name; });

}  // namespace
