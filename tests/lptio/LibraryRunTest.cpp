// The shipped flashtest on this library, on a machine whose port it cannot reach: the run must
// end in "H/W check failed !" with one message saying why, never in a crash or an erase.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "ProgramRun.h"
#include "lptio/LinuxPortSystem.h"
#include "lptio/PortOpener.h"

namespace {

using testing::HasSubstr;
using testing::StartsWith;

ProgramResult runFlashtest(const std::string& portSetting) {
    ProgramRun run;
    run.program = LPTIO_FLASHTEST;
    run.environment = {{"LD_LIBRARY_PATH", LPTIO_LIBRARY_DIR},
                       {"LD_PRELOAD", LPTIO_FASTCLOCK},
                       {"LPTIO_PORT", portSetting}};
    return runProgram(run);
}

std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

void expectFailedCheck(const ProgramResult& result, const std::string& reason) {
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.out, StartsWith("H/W check failed !\n"));
    EXPECT_EQ(countOf(result.err, "lptio: "), 1u) << result.err;
    EXPECT_THAT(result.err, HasSubstr("lptio: cannot reach the port at 0x378"));
    EXPECT_THAT(result.err, HasSubstr(reason));
}

TEST(LibraryRun, OnAMachineWithoutAPortTheCheckFailsWithTheReason) {
    LinuxPortSystem system;
    PortOpener probe(system, ParportTree("/"), parsePortSetting(nullptr));
    if (probe.open(0x378).channel != nullptr) {
        GTEST_SKIP() << "this machine reaches a port at 0x378";
    }
    expectFailedCheck(runFlashtest(""), "no parallel port at 0x378");
}

TEST(LibraryRun, ADeviceThatIsNoParallelPortIsNamed) {
    expectFailedCheck(runFlashtest("/dev/null"),
                      "(LPTIO_PORT=/dev/null), reads give 0xFF: /dev/null is not a parallel port");
}

TEST(LibraryRun, AnUnreadableSettingIsNamed) {
    expectFailedCheck(runFlashtest("lpt1"), "LPTIO_PORT=lpt1 is not a port");
}

TEST(LibraryRun, AnInstalledFlashtestDrivesRealPortsByDefault) {
    TemporaryFolder prefix;
    const ProgramResult install = runProgram(
        {LPTIO_CMAKE, {"--install", LPTIO_BUILD_DIR, "--prefix", prefix.path()}, {}, "", ""});
    ASSERT_EQ(install.exitCode, 0) << install.out << install.err;
    ASSERT_TRUE(std::filesystem::exists(prefix.file("lib/libio.so")));

    ProgramRun run;
    run.program = prefix.file("bin/flashtest");
    run.environment = {
        {"LD_LIBRARY_PATH", ""}, {"LD_PRELOAD", LPTIO_FASTCLOCK}, {"LPTIO_PORT", "/dev/null"}};
    expectFailedCheck(runProgram(run), "/dev/null is not a parallel port");
}

}  // namespace
