// The runs that end after detection, under Wine, for either Windows build: each prints one
// line, the pause prompt after it although stdout is a pipe, and exits with 1.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "WineProgramRun.h"

namespace {

struct FailedStart {
    const char* name;
    const char* ioDllSetting;  // names the io.dll to put beside the program; null: none
    const char* settings;      // "NAME=value NAME=value": added to the run's environment
    const char* line;
    bool loadFails;            // io.dll is there but cannot be loaded: stderr says why, naming it
    bool namesOtherBuild;      // ... and which build of flashtest can load it
    const char* message = "";  // the hardware io.dll's line on stderr
    bool withPortDriver = false;  // the stand-in port-access library beside the hardware io.dll
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
    if (start.withPortDriver) {
        const std::string driver = setting("LPTFLASH_WINDOWS_PORT_DRIVER");
        folder.copy(driver, std::filesystem::path(driver).filename().string().c_str());
    }
    std::map<std::string, std::string> environment = {{"SCRIPTIO_LOG", "ports.log"}};
    std::istringstream settings(start.settings);
    for (std::string item; settings >> item;) {
        environment[item.substr(0, item.find('='))] = item.substr(item.find('=') + 1);
    }
    const ProgramResult result = folder.run(environment);

    EXPECT_EQ(result.out, expectedOutput(start.line)) << result.err;
    EXPECT_EQ(result.exitCode, 1);
    // The scripted libraries log every access that reaches them: none may, but for the port that
    // is found silent by reading it.
    EXPECT_EQ(readWholeFile(folder.file("ports.log")).empty(),
              std::string(start.settings).find("SCRIPTIO_FLOATING") == std::string::npos);
    EXPECT_NE(result.err.find(start.message), std::string::npos) << result.err;
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
    ::testing::Values(
        FailedStart{"NoIoLibrary", nullptr, "", notInitialized, false, false},
        FailedStart{"IoLibraryWithoutIsDriverInstalled",
                    "LPTFLASH_WINDOWS_WITHOUT_ISDRIVERINSTALLED", "", notInitialized, false, false},
        FailedStart{"IoLibraryWithoutPortOut", "LPTFLASH_WINDOWS_WITHOUT_PORTOUT", "",
                    notInitialized, false, false},
        FailedStart{"IoLibraryOfTheOtherBuild", "LPTFLASH_WINDOWS_OTHER_SIMULATOR", "",
                    notInitialized, true, true},
        FailedStart{"IoDllThatIsNoLibrary", "LPTFLASH_WINDOWS_NOT_A_LIBRARY", "", notInitialized,
                    true, false},
        FailedStart{"SimulatorWithoutAdapter", "LPTFLASH_WINDOWS_SIMULATOR", "LPTIO_SIM_BOARD=none",
                    "H/W check failed !\n", false, false},
        FailedStart{"HardwareWithoutPortAccessLibrary", "LPTFLASH_WINDOWS_HARDWARE",
                    "LPTIO_PORT=0xd010 LPTIO_FORCE_PORT=1", "H/W check failed !\n", false, false,
                    "(LPTIO_PORT=0xd010), reads give 0xFF: inpout"},
        FailedStart{"HardwareDriverNotRunning", "LPTFLASH_WINDOWS_HARDWARE",
                    "LPTIO_PORT=53264 LPTIO_FORCE_PORT=1 SCRIPTIO_DRIVER_CLOSED=1",
                    "H/W check failed !\n", false, false,
                    "is not running: start flashtest.exe once as Administrator", true},
        FailedStart{"HardwareNoPortListed", "LPTFLASH_WINDOWS_HARDWARE", "", "H/W check failed !\n",
                    false, false,
                    "reads give 0xFF: Windows lists no parallel port (a USB-to-parallel adapter",
                    true},
        FailedStart{"HardwareUnlistedAddressRefused", "LPTFLASH_WINDOWS_HARDWARE",
                    "LPTIO_PORT=0xd010", "H/W check failed !\n", false, false,
                    "(LPTIO_PORT=0xd010), reads give 0xFF: Windows lists no parallel port", true},
        FailedStart{"HardwarePortNotAnswering", "LPTFLASH_WINDOWS_HARDWARE",
                    "LPTIO_PORT=0xd010 LPTIO_FORCE_PORT=1 SCRIPTIO_FLOATING=1",
                    "H/W check failed !\n", false, false,
                    "no answer: the data register read back 0xFF after 0x01 was written", true},
        FailedStart{"HardwareBadSetting", "LPTFLASH_WINDOWS_HARDWARE", "LPTIO_PORT=/dev/parport0",
                    "H/W check failed !\n", false, false,
                    "lptio: LPTIO_PORT=\"/dev/parport0\": not a parallel port; accepted: LPT1",
                    true}),
    [](const ::testing::TestParamInfo<FailedStart>& info) { return info.param.name; });

}  // namespace
