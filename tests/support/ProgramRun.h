// SPDX-License-Identifier: MIT
// Runs the shipped programs as an operator installs them, beside the library of a test's choice.
#ifndef LPTFLASH_TESTS_SUPPORT_PROGRAMRUN_H
#define LPTFLASH_TESTS_SUPPORT_PROGRAMRUN_H

#include <map>
#include <string>
#include <vector>

#include "ChildProgram.h"
#include "TemporaryFolder.h"

// The port I/O library that a run of flashtest finds beside it.
enum class PortLibrary {
    None,
    Scripted,  // records each access in SCRIPTIO_LOG, answers status reads from SCRIPTIO_STATUS
    WithoutIsDriverInstalled,  // the scripted library lacking one entry point
    WithoutPortOut,
    NotALibrary,  // a file of that name that the loader refuses
    Simulator,
    RealPort,
    OtherSimulator,            // Wine: the simulator of the other bitness's build
    RealPortAndPortDriver,     // Wine: RealPort with the stand-in port-access library beside it
    RealPortAndBadPortDriver,  // Wine: RealPort with a port-access library that is no library
};

// Where the program runs: natively, or a Windows build's flashtest.exe under Wine.
enum class Platform { Native, WineX64, WineX86 };

// Runs a copy of flashtest from the folder, with the library beside it as an operator installs
// them, on the sped-up clock. Every LPTIO_ and SCRIPTIO_ variable not in settings is removed.
// With a shell script, the shell runs it and the script starts the program (exec "$0"). Under
// Wine, stdin is /dev/null and the prefix is the one ctest's fixture made for that bitness;
// LPTFLASH_REAL_CLOCK=1 leaves Wine's clock alone.
ProgramResult runFlashtest(const TemporaryFolder& folder, PortLibrary library,
                           const std::map<std::string, std::string>& settings,
                           bool stdoutReaderGone = false, const char* shellScript = nullptr,
                           Platform platform = Platform::Native);

// The same for either shipped program with its arguments; a shell script gets the program as
// $0 and the arguments as $@.
enum class Shipped { Flashtest, Lptflash };
ProgramResult runShipped(Shipped shipped, const std::vector<std::string>& arguments,
                         const TemporaryFolder& folder, PortLibrary library,
                         const std::map<std::string, std::string>& settings,
                         Platform platform = Platform::Native, const char* shellScript = nullptr,
                         bool stdoutReaderGone = false);

// Why runs on this platform with this library cannot be made here (an x86 build not configured,
// or LPTFLASH_X86_REFUSED's reason); empty when they can.
std::string cannotRun(Platform platform, PortLibrary library);

// The program's stdout for these newline-ended lines ending in the pause prompt: as they are
// natively; under Wine with CR LF line ends (text mode) and Wine's own pause prompt.
std::string expectedStdout(Platform platform, const std::string& lines);
constexpr const char* pausePrompt = "Press any key to continue . . . \n";  // native

#endif
