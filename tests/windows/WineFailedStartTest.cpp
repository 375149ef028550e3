// The runs that end after detection, under Wine: each prints one line, the pause prompt after
// it although stdout is a pipe, and exits with 1.
#include <gtest/gtest.h>

#include "WineProgramRun.h"

namespace {

struct FailedStart {
    const char* name;
    const char* ioDllSetting;  // names the io.dll to put beside the program; null: none
    std::map<std::string, std::string> environment;
    const char* line;
    const char* message = "";     // the library's line on stderr
    bool withPortDriver = false;  // the stand-in port-access library beside the hardware io.dll
};

class WineFailedStart : public ::testing::TestWithParam<FailedStart> {};

TEST_P(WineFailedStart, PrintsItsLineThenThePauseAndExitsWithOne) {
    ASSERT_FALSE(setting("LPTFLASH_WINE").empty()) << "run this through ctest";
    // Guards the exact comparison against a command processor that never ran.
    ASSERT_NE(pausePrompt().find("Press any key"), std::string::npos) << pausePrompt();
    const FailedStart& start = GetParam();

    const OperatorFolder folder(start.ioDllSetting != nullptr ? setting(start.ioDllSetting) : "");
    if (start.withPortDriver) {
        folder.copy(setting("LPTFLASH_WINDOWS_PORT_DRIVER"), "inpoutx64.dll");
    }
    std::map<std::string, std::string> environment = start.environment;
    environment["SCRIPTIO_LOG"] = "ports.log";
    const ProgramResult result = folder.run(environment);

    EXPECT_EQ(result.out, expectedOutput({start.line})) << result.err;
    EXPECT_EQ(result.exitCode, 1);
    // The library without IsDriverInstalled reports every call that reaches it: none may.
    EXPECT_EQ(result.err.find("called on port"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(start.message), std::string::npos) << result.err;
    // A port that is refused, or whose library cannot drive it, is never written.
    const std::string ports = readWholeFile(folder.file("ports.log"));
    EXPECT_EQ(ports.find('W') == std::string::npos,
              start.environment.count("SCRIPTIO_FLOATING") == 0)
        << ports;
}

const char* const Forced = "LPTIO_FORCE_PORT";

INSTANTIATE_TEST_SUITE_P(
    Windows, WineFailedStart,
    ::testing::Values(
        FailedStart{"NoIoLibrary", nullptr, {}, "IO driver not initialized !"},
        FailedStart{"IoLibraryWithoutIsDriverInstalled",
                    "LPTFLASH_WINDOWS_WITHOUT_PRESENCE_TEST",
                    {},
                    "IO driver not initialized !"},
        FailedStart{"SimulatorWithoutAdapter",
                    "LPTFLASH_WINDOWS_SIMULATOR",
                    {{"LPTIO_SIM_BOARD", "none"}},
                    "H/W check failed !"},
        FailedStart{"HardwareWithoutPortAccessLibrary",
                    "LPTFLASH_WINDOWS_HARDWARE",
                    {{"LPTIO_PORT", "0xd010"}, {Forced, "1"}},
                    "H/W check failed !",
                    "lptio: cannot reach the port at 0x378 (LPTIO_PORT=0xd010), reads give 0xFF: "
                    "inpoutx64.dll is neither beside io.dll nor on the DLL path"},
        FailedStart{"HardwareDriverNotRunning",
                    "LPTFLASH_WINDOWS_HARDWARE",
                    {{"LPTIO_PORT", "53264"}, {Forced, "1"}, {"SCRIPTIO_DRIVER_CLOSED", "1"}},
                    "H/W check failed !",
                    "the port driver of inpoutx64.dll is not running: start flashtest.exe once as "
                    "Administrator",
                    true},
        FailedStart{"HardwareNoPortListed",
                    "LPTFLASH_WINDOWS_HARDWARE",
                    {},
                    "H/W check failed !",
                    "reads give 0xFF: Windows lists no parallel port (a USB-to-parallel adapter",
                    true},
        FailedStart{"HardwareUnlistedAddressRefused",
                    "LPTFLASH_WINDOWS_HARDWARE",
                    {{"LPTIO_PORT", "0xd010"}},
                    "H/W check failed !",
                    "(LPTIO_PORT=0xd010), reads give 0xFF: Windows lists no parallel port",
                    true},
        FailedStart{"HardwarePortNotAnswering",
                    "LPTFLASH_WINDOWS_HARDWARE",
                    {{"LPTIO_PORT", "0xd010"}, {Forced, "1"}, {"SCRIPTIO_FLOATING", "1"}},
                    "H/W check failed !",
                    "no answer: the data register read back 0xFF after 0x01 was written",
                    true},
        FailedStart{"HardwareBadSetting",
                    "LPTFLASH_WINDOWS_HARDWARE",
                    {{"LPTIO_PORT", "/dev/parport0"}},
                    "H/W check failed !",
                    "lptio: LPTIO_PORT=\"/dev/parport0\": not a parallel port; accepted: LPT1",
                    true}),
    [](const ::testing::TestParamInfo<FailedStart>& info) { return info.param.name; });

}  // namespace
