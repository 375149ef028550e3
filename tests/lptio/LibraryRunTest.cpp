// The shipped flashtest on this library, on a machine whose port it cannot reach: the run must
// end in "H/W check failed !" with one message saying why, never in a crash or an erase.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "ProgramRun.h"
#include "lptio/LinuxPortSystem.h"
#include "lptio/PortOpener.h"

namespace {

using testing::HasSubstr;
using testing::StartsWith;

ProgramResult runFlashtest(std::map<std::string, std::string> environment,
                           const std::string& program = LPTIO_FLASHTEST) {
    environment.insert({{"LD_LIBRARY_PATH", LPTIO_LIBRARY_DIR},
                        {"LD_PRELOAD", LPTIO_FASTCLOCK},
                        {"LPTIO_PORT", ""},
                        {"LPTIO_DIRECT_IO", ""},
                        {"LPTIO_TRACE_VCD", ""},
                        {"LPTIO_TRACE_BUSLOG", ""}});
    return runProgram({program, {}, environment, "", ""});
}

// The library's one message is the one given (sanitizer reports may follow it).
void expectFailedCheck(const ProgramResult& result, const std::string& message) {
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.out, StartsWith("H/W check failed !\n"));
    EXPECT_THAT(result.err, StartsWith(message));
    const auto first = result.err.find("lptio: ");
    EXPECT_EQ(result.err.find("lptio: ", first + 1), std::string::npos) << result.err;
}

// The identifier the dump gave the wire of that name.
std::string wireId(const std::string& vcd, const std::string& name) {
    const auto end = vcd.find(" " + name + " $end");
    const auto start = vcd.rfind(' ', end - 1);
    return end == std::string::npos ? "?" : vcd.substr(start + 1, end - start - 1);
}

TEST(LibraryRun, OnAMachineWithoutAPortTheCheckFailsWithTheReason) {
    LinuxPortSystem system;
    if (PortOpener(system, ParportTree("/"), {}).open(0x378).channel != nullptr) {
        GTEST_SKIP() << "this machine reaches a port at 0x378";
    }
    const ProgramResult result = runFlashtest({});
    expectFailedCheck(result, "lptio: cannot reach the port at 0x378, reads give 0xFF: ");
    EXPECT_THAT(result.err, HasSubstr("no parallel port at 0x378"));
}

// The claim's bound, on a call that would block for ever: it returns, and the program's own
// handling of the signal that ended it is back.
TEST(LibraryRun, ABlockingCallEndsAtItsLimit) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    struct sigaction before = {}, after = {};
    sigaction(SIGRTMAX, nullptr, &before);
    char byte = 0;
    EXPECT_EQ(callWithin(20, [&] { return read(ends[0], &byte, 1) < 0 ? errno : 0; }), ETIMEDOUT);
    EXPECT_EQ(callWithin(20, [] { return EACCES; }), EACCES);
    sigaction(SIGRTMAX, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
    close(ends[0]);
    close(ends[1]);
}

TEST(LibraryRun, AnUnwritableTraceKeepsThePortClosed) {
    // Only the trace is named: the device, which would have been refused too, is never tried.
    expectFailedCheck(
        runFlashtest({{"LPTIO_PORT", "/dev/null"}, {"LPTIO_TRACE_VCD", "/nonexistent/run.vcd"}}),
        "lptio: LPTIO_TRACE_VCD=\"/nonexistent/run.vcd\": cannot create the file");
}

// The user named the file for a trace of a run that, set up wrongly, never starts.
TEST(LibraryRun, ARefusedRunOverwritesNoTrace) {
    TemporaryFolder folder;
    writeWholeFile(folder.file("notes.txt"), "kept");
    expectFailedCheck(
        runFlashtest({{"LPTIO_PORT", "lpt1"}, {"LPTIO_TRACE_BUSLOG", folder.file("notes.txt")}}),
        "lptio: LPTIO_PORT=\"lpt1\": ");
    EXPECT_EQ(readWholeFile(folder.file("notes.txt")), "kept");
}

TEST(LibraryRun, TracesShowWhatTheProgramDidOnTheChosenDevice) {
    TemporaryFolder folder;
    const ProgramResult result = runFlashtest({{"LPTIO_PORT", "/dev/null"},
                                               {"LPTIO_TRACE_VCD", folder.file("run.vcd")},
                                               {"LPTIO_TRACE_BUSLOG", folder.file("run.log")}});

    expectFailedCheck(result,
                      "lptio: cannot reach the port at 0x378 (LPTIO_PORT=/dev/null), reads give "
                      "0xFF: /dev/null is not a parallel port device");
    const std::string vcd = readWholeFile(folder.file("run.vcd"));
    // Detection raised the enable line (control register, at base+2) and read floating lines.
    EXPECT_THAT(vcd, HasSubstr("\n1" + wireId(vcd, "C2_enable") + "\n"));
    EXPECT_GE(std::count(vcd.begin(), vcd.end(), '#'), 3) << vcd;
    EXPECT_THAT(readWholeFile(folder.file("run.log")), HasSubstr("  probe  no adapter answered\n"));
}

TEST(LibraryRun, AnInstalledFlashtestDrivesRealPortsByDefault) {
#ifdef __SANITIZE_ADDRESS__
    // ASan's dlopen interceptor becomes the caller, so the program's RUNPATH is not searched.
    GTEST_SKIP() << "RUNPATH lookups by dlopen do not work under AddressSanitizer";
#endif
    TemporaryFolder prefix;
    const ProgramResult install = runProgram(
        {LPTIO_CMAKE, {"--install", LPTIO_BUILD_DIR, "--prefix", prefix.path()}, {}, "", ""});
    ASSERT_EQ(install.exitCode, 0) << install.out << install.err;
    // Only flashtest finds the library; the decoder and the README come along.
    ASSERT_TRUE(std::filesystem::exists(prefix.file("lib/lptflash/libio.so")));
    EXPECT_FALSE(std::filesystem::exists(prefix.file("lib/libio.so")));
    EXPECT_TRUE(
        std::filesystem::exists(prefix.file("share/lptflash/sigrok-decoders/lptflash/pd.py")));
    EXPECT_TRUE(std::filesystem::exists(prefix.file("share/doc/lptflash/README.md")));

    expectFailedCheck(runFlashtest({{"LD_LIBRARY_PATH", ""}, {"LPTIO_PORT", "/dev/null"}},
                                   prefix.file("bin/flashtest")),
                      "lptio: cannot reach the port at 0x378 (LPTIO_PORT=/dev/null)");

    // The simulator is there too, but only for whoever asks for it.
    const ProgramResult simulated =
        runFlashtest({{"LD_LIBRARY_PATH", prefix.file("lib/lptflash/sim")},
                      {"LPTIO_SIM_IMAGE", prefix.file("chip.img")}},
                     prefix.file("bin/flashtest"));
    EXPECT_EQ(simulated.exitCode, 0) << simulated.err;
    EXPECT_THAT(simulated.out, StartsWith("Korvella+ detected !\n"));
}

}  // namespace
