// SPDX-License-Identifier: MIT
// The shipped flashtest, unmodified, end to end: the program copied into a run folder with a port
// I/O library beside it, as an operator installs them, natively or a Windows build under Wine.
// The clock is sped up so that the 300 s erase wait passes in a fraction of a second.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "PortLog.h"
#include "ProgramRun.h"
#include "SampleChip.h"

namespace {

using Lines = std::vector<std::string>;
using Library = PortLibrary;
using Settings = std::map<std::string, std::string>;

const std::string pause = pausePrompt;
const std::string notInitialized = "IO driver not initialized !\n" + pause;
const std::string failedCheck = "H/W check failed !\n" + pause;
const std::vector<unsigned> sampleChip(sampleChipBytes.begin(), sampleChipBytes.end());
const std::string scriptedChip = statusScript({true, false, true}, sampleChip);  // Korvella+
const std::string sampleReport = "Korvella+ detected !\n" + std::string(sampleChipReport) + pause;

std::string report(const std::string& board, const std::string& firstWord, const std::string& id,
                   const std::string& extended, const std::string& afterErase = "0xFFFF") {
    return board + " detected !\n#READ:[00]=" + firstWord + "\n#ID:  " + id +
           "\n#EXT: " + extended +
           "\nErase in progress...\nWait 300 seconds !\n#READ:[00]=" + afterErase + "\n\n" + pause;
}

Lines filesIn(const TemporaryFolder& folder) {
    Lines names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

Lines without(Lines lines, const std::function<bool(const std::string&)>& dropped) {
    lines.erase(std::remove_if(lines.begin(), lines.end(), dropped), lines.end());
    return lines;
}

std::string lastAccess(const std::vector<PortCall>& calls) {
    return calls.empty() ? "none" : accessStrings({calls.back()}, 1)[0];
}

// One run of flashtest: a folder holding the program and the library beside it, the operator's
// settings, and what the run leaves there. "@" in a setting or a message stands for the folder as
// the program names it.
struct FlashtestRun {
    explicit FlashtestRun(Library library, Platform platform = Platform::Native)
        : library(library), platform(platform) {
        if (records()) {
            settings["SCRIPTIO_LOG"] = named("ports.log");
        }
        if (library == Library::RealPortAndPortDriver) {
            settings["SCRIPTIO_LOADED"] = named("port-driver-loaded");
        }
        if (library == Library::Simulator) {
            settings["LPTIO_SIM_IMAGE"] = named("chip.img");
        }
    }
    // Under Wine, files are named from the program's current folder, the run's folder.
    std::string named(const std::string& name) const {
        return platform == Platform::Native ? folder.file(name) : name;
    }
    std::string inFolder(std::string text) const {
        std::string windowsFolder = "Z:" + folder.path();
        std::replace(windowsFolder.begin(), windowsFolder.end(), '/', '\\');
        const auto at = text.find('@');
        return at == std::string::npos
                   ? text
                   : text.replace(at, 1,
                                  platform == Platform::Native ? folder.path() : windowsFolder);
    }
    FlashtestRun& set(const Settings& more) {
        for (const auto& [name, value] : more) {
            settings[name] = inFolder(value);
        }
        return *this;
    }
    FlashtestRun& traceBusLog() {
        settings["LPTIO_TRACE_BUSLOG"] = named("run.log");
        return *this;
    }
    ProgramResult start(bool stdoutReaderGone = false) const {
        return runFlashtest(folder, library, settings, stdoutReaderGone, shell, platform);
    }
    // Every access the recording library saw, as at LPT1; the port driver's only at its base.
    std::vector<PortCall> ports() const {
        std::vector<PortCall> calls = parseLog(file("ports.log"));
        for (PortCall& call : calls) {
            if (library == Library::RealPortAndPortDriver) {
                EXPECT_GE(call.port, 0xD010u);
                call.port = call.port - 0xD010 + 0x378;
            }
        }
        return calls;
    }
    // The bus log without its times, which depend on the machine; "#" for each comment line.
    Lines busLog() const {
        Lines entries;
        std::istringstream lines(file("run.log"));
        for (std::string line; std::getline(lines, line);) {
            entries.push_back(line[0] == '#' ? "#" : line.substr(15, line.find('\r') - 15));
        }
        return entries;
    }
    std::string file(const std::string& name) const { return readWholeFile(folder.file(name)); }
    bool erased(const std::string& image) const {
        const std::string contents = file(image);
        return !contents.empty() && contents.find_first_not_of('\xFF') == std::string::npos;
    }
    bool records() const {
        return library == Library::Scripted || library == Library::WithoutIsDriverInstalled ||
               library == Library::WithoutPortOut || library == Library::RealPortAndPortDriver;
    }

    TemporaryFolder folder;
    Library library;
    Platform platform;
    Settings settings;
    const char* shell = nullptr;  // starts the program (exec "$0"); null: started directly
};

// What the operator sees of the run: its stdout and exit code, and on stderr the message (with
// "@" for the folder), or none but the simulator's one line saying that it is one.
void expectRun(const FlashtestRun& run, const ProgramResult& result, const std::string& out,
               int exitCode, const std::string& message = "") {
    EXPECT_EQ(result.out, expectedStdout(run.platform, out));
    EXPECT_EQ(result.exitCode, exitCode) << result.err;
    const auto npos = std::string::npos;
    if (message.empty()) {
        const bool simulated = run.library == Library::Simulator;
        EXPECT_EQ(result.err.rfind("lptio: simulation, no real port: board ", 0) == 0, simulated)
            << result.err;
        EXPECT_EQ(result.err.find("lptio:", simulated ? 1 : 0), npos) << result.err;
    } else {
        EXPECT_NE(result.err.find(run.inFolder(message)), npos) << result.err;
    }
    // The program speaks, in one line, only of a library that is there but cannot be loaded.
    const auto programLine = result.err.find("flashtest: ");
    EXPECT_EQ(result.err.find("flashtest: ", programLine + 1), npos) << "one line";
    EXPECT_EQ(programLine != npos,
              run.library == Library::NotALibrary || run.library == Library::OtherSimulator);
    if (exitCode == 0) {
        EXPECT_EQ(result.err.find("lptio:"), result.err.rfind("lptio:")) << "one library line";
    }
    // Every run loads the port-access library first, which installs its driver when elevated.
    if (run.library == Library::RealPortAndPortDriver) {
        EXPECT_EQ(run.file("port-driver-loaded"), "loaded\n");
    }
}

const char* platformName(Platform platform) {
    const char* const names[] = {"Native", "WineX64_Build", "WineX86_Build"};
    return names[static_cast<int>(platform)];
}

// Behaviours the same natively and for each Windows build under Wine.
class FlashtestEverywhere : public testing::TestWithParam<Platform> {
  protected:
    void SetUp() override {
        const std::string reason = cannotRun(GetParam(), Library::Simulator);
        if (!reason.empty()) {
            GTEST_SKIP() << reason;
        }
    }
};
using FlashtestUnderWine = FlashtestEverywhere;

TEST_P(FlashtestEverywhere, WithoutAUsableLibraryIsNotInitializedAndTouchesNoPort) {
    for (Library library :
         {Library::None, Library::WithoutIsDriverInstalled, Library::WithoutPortOut}) {
        SCOPED_TRACE(static_cast<int>(library));
        const FlashtestRun run(library, GetParam());
        expectRun(run, run.start(), notInitialized, 1);
        EXPECT_TRUE(run.ports().empty());
    }
}

// A file that is no library is named, with the loader's reason; a missing one is not.
TEST_P(FlashtestEverywhere, NamesAFileThatIsNoLibrary) {
    const FlashtestRun run(Library::NotALibrary, GetParam());
    expectRun(run, run.start(), notInitialized, 1,
              GetParam() == Platform::Native ? "flashtest: cannot load libio.so: @/libio.so"
                                             : "flashtest: cannot load @\\io.dll: ");
}

TEST_P(FlashtestEverywhere, ReportsTheChipWithTheSpecifiedCyclesAndLeavesTheLinesIdle) {
    FlashtestRun run(Library::Scripted, GetParam());
    expectRun(run, run.set({{"SCRIPTIO_STATUS", scriptedChip}}).start(), sampleReport, 0);
    const std::vector<PortCall> calls = run.ports();
    EXPECT_EQ(accessStrings(calls, constructionAndProbe.size()), constructionAndProbe);
    EXPECT_EQ(busCycles(calls), reportCycles(sampleChip));
    EXPECT_EQ(lastAccess(calls), "W 890 09");  // the lines left idle
}

// The default board and chip with the default image; the bus log shows the probe line by line,
// then each cycle with its command and what each byte read means.
TEST_P(FlashtestEverywhere, SimulatesTheDefaultBoardAndChipAndErasesItsDefaultImage) {
    FlashtestRun run(Library::Simulator, GetParam());
    run.set({{"LPTIO_SIM_IMAGE", ""}}).traceBusLog();
    expectRun(run, run.start(),
              report("Korvella+", "0x504C", "[MAN]=0x01; [DEV]=0x7E", "[DEV]=0x21; [DEV]=0x01"), 0);
    // clang-format off
    Lines expected = {"#", "#", "line   C0_byte_select = 1", "line   C3_write_strobe = 1",
        "line   C0_byte_select = 0", "line   C2_enable = 1", "line   C3_write_strobe = 0",
        "sample S7_presence = 1", "line   D0_addr_clock = 1", "sample S7_presence = 0",
        "sample S7_presence = 0", "line   C0_byte_select = 1", "line   C3_write_strobe = 1",
        "line   D0_addr_clock = 0", "line   C2_enable = 0", "probe  Korvella+ answered"};
    // clang-format on
    const Lines cycles =
        reportCycles({0x4C, 0x50, 0x01, 0x7E, 0x21, 0x01, 0xFF, 0xFF}, false, "S29GL128P");
    expected.insert(expected.end(), cycles.begin(), cycles.end());
    EXPECT_EQ(run.busLog(), expected);
    EXPECT_TRUE(run.erased("lptio-sim-S29GL128P.img"));
}

TEST_P(FlashtestEverywhere, SimulatedBoardNoneFailsTheCheckAndMakesNoImage) {
    FlashtestRun run(Library::Simulator, GetParam());
    run.set({{"LPTIO_SIM_BOARD", "none"}});
    expectRun(run, run.start(), failedCheck, 1);
    EXPECT_FALSE(std::filesystem::exists(run.folder.file("chip.img")));
}

// The other build's library cannot load; stderr says which build can.
TEST_P(FlashtestUnderWine, OtherBuildsLibrarySaysWhichBuildCan) {
    const std::string reason = cannotRun(GetParam(), Library::OtherSimulator);
    if (!reason.empty()) {
        GTEST_SKIP() << reason;
    }
    const FlashtestRun run(Library::OtherSimulator, GetParam());
    expectRun(run, run.start(), notInitialized, 1,
              GetParam() == Platform::WineX64
                  ? "It is a 32-bit library: use the x86 build of flashtest."
                  : "It is a 64-bit library: use the x64 build of flashtest.");
}

const Settings forcedPort = {{"LPTIO_PORT", "0xd010"}, {"LPTIO_FORCE_PORT", "1"}};
Settings with(Settings settings, const char* name, const std::string& value) {
    settings[name] = value;
    return settings;
}

// The hardware library's opening reads, then the construction and probe as it passes them on:
// without the writes to the read-only status register, with its read-back of the data register.
const Lines forwardedProbe = {"R 888",    "R 889",    "R 890",    "W 888 00", "W 890 09",
                              "W 890 09", "W 890 04", "R 889",    "W 888 01", "R 888",
                              "R 889",    "R 889",    "W 890 0D", "W 888 00", "W 890 09"};

TEST_P(FlashtestUnderWine, HardwarePortNotAnsweringStopsAtTheReadBack) {
    FlashtestRun run(Library::RealPortAndPortDriver, GetParam());
    run.set(with(forcedPort, "SCRIPTIO_FLOATING", "1"));
    expectRun(run, run.start(), failedCheck, 1,
              "no answer: the data register read back 0xFF after 0x01 was written");
    const std::vector<PortCall> calls = run.ports();
    EXPECT_EQ(accessStrings(calls, calls.size()),
              Lines(forwardedProbe.begin(), forwardedProbe.begin() + 10));
}

// At a PCIe-style base Wine does not list, every access the program makes reaches the port in
// its order, as natively: the library adds only its opening reads and the probe's read-back, and
// keeps the writes to the read-only status register back; its bus log traces what it passes on.
TEST_P(FlashtestUnderWine, HardwareForwardsEveryAccess) {
    FlashtestRun run(Library::RealPortAndPortDriver, GetParam());
    run.set(with(forcedPort, "SCRIPTIO_STATUS", "7F " + scriptedChip)).traceBusLog();
    expectRun(run, run.start(), sampleReport, 0,
              "lptio: LPTIO_FORCE_PORT=1: using 0xd010, which Windows does not list as a "
              "parallel port (it lists none)");
    const std::vector<PortCall> calls = run.ports();
    ASSERT_EQ(accessStrings(calls, forwardedProbe.size()), forwardedProbe);
    EXPECT_EQ(busCycles(calls), reportCycles(sampleChip));
    const Lines traced = run.busLog();
    EXPECT_EQ(std::count(traced.begin(), traced.end(), writeCycle(0x555, 0x10, "chip erase")), 1);

    FlashtestRun native(Library::Scripted);
    native.set({{"SCRIPTIO_STATUS", scriptedChip}}).start();
    const std::vector<PortCall> made = native.ports();
    const Lines passedOn = without(accessStrings(calls, calls.size()),
                                   [&](const std::string& a) { return a == "R 888"; });
    EXPECT_EQ(Lines(passedOn.begin() + 2, passedOn.end()),
              without(accessStrings(made, made.size()),
                      [](const std::string& a) { return a.rfind("W 889", 0) == 0; }));
}

// Both streams to one file, as an operator keeps a log: the library's lines come before the
// pause's prompt, which the command processor writes through a handle of its own.
TEST_P(FlashtestUnderWine, OneLogHasTheLibrarysLinesBeforeThePrompt) {
    FlashtestRun run(Library::Simulator, GetParam());
    run.shell = "LD_PRELOAD=\"$LPTFLASH_WINE_PRELOAD\" exec \"$0\" \"$@\" </dev/null 2>&1";
    const ProgramResult result = run.set({{"LPTIO_SIM_BOARD", "none"}}).start();
    const auto announced = result.out.find("lptio: simulation, no real port");
    EXPECT_NE(announced, std::string::npos) << result.out;
    EXPECT_LT(announced, result.out.find("Press any key")) << result.out;
}

std::string nameOfPlatform(const testing::TestParamInfo<Platform>& info) {
    return platformName(info.param);
}
INSTANTIATE_TEST_SUITE_P(Runs, FlashtestEverywhere,
                         testing::Values(Platform::Native, Platform::WineX64, Platform::WineX86),
                         nameOfPlatform);
INSTANTIATE_TEST_SUITE_P(Runs, FlashtestUnderWine,
                         testing::Values(Platform::WineX64, Platform::WineX86), nameOfPlatform);

TEST(FlashtestScripted, FloatingLinesFailTheCheckAfterTheProbe) {
    FlashtestRun run(Library::Scripted);
    expectRun(run, run.set({{"SCRIPTIO_STATUS", ""}}).start(), failedCheck, 1);
    const std::vector<PortCall> calls = run.ports();
    EXPECT_EQ(accessStrings(calls, calls.size()), constructionAndProbe);
}

// A closed pipe must not end the run halfway through the chip access.
TEST(FlashtestScripted, AClosedOutputPipeDoesNotEndTheRunHalfway) {
    FlashtestRun run(Library::Scripted);
    expectRun(run, run.set({{"SCRIPTIO_STATUS", scriptedChip}}).start(true), "", 0);
    const std::vector<PortCall> calls = run.ports();
    EXPECT_EQ(busCycles(calls), reportCycles(sampleChip));
    EXPECT_EQ(lastAccess(calls), "W 890 09");  // the lines left idle
}

// A complete run on the simulator erases its image.
struct SimulatedChip {
    const char* name;
    Settings settings;
    std::string out;
};

class FlashtestSimulatedChip : public testing::TestWithParam<SimulatedChip> {};

TEST_P(FlashtestSimulatedChip, IsReportedAndErased) {
    FlashtestRun run(Library::Simulator);
    expectRun(run, run.set(GetParam().settings).start(), GetParam().out, 0);
    EXPECT_TRUE(run.erased("chip.img"));
}

INSTANTIATE_TEST_SUITE_P(
    Runs, FlashtestSimulatedChip,
    testing::Values(
        SimulatedChip{
            "VelmarMX29GL128F",
            {{"LPTIO_SIM_BOARD", "VELMAR/rev3b"}, {"LPTIO_SIM_CHIP", "mx29gl128f"}},
            report("Velmar/rev3b", "0x504C", "[MAN]=0xC2; [DEV]=0x7E", "[DEV]=0x21; [DEV]=0x01")},
        SimulatedChip{
            "EraseTimeZeroWithLeadingZeros",
            {{"LPTIO_SIM_CHIP", "Am29F040B"}, {"LPTIO_SIM_ERASE_MS", "000000000000"}},
            report("Korvella+", "0xFF4C", "[MAN]=0x01; [DEV]=0xA4", "[DEV]=0x00; [DEV]=0x00")},
        // An hour's erase is still running after the program's 300 s: the chip answers its
        // status (DQ7 clear, DQ6 and DQ2 toggling, DQ3 set) on the low lane.
        SimulatedChip{"EraseTimeAnHour",
                      {{"LPTIO_SIM_CHIP", "Am29F040B"}, {"LPTIO_SIM_ERASE_MS", "3600000"}},
                      report("Korvella+", "0xFF4C", "[MAN]=0x01; [DEV]=0xA4",
                             "[DEV]=0x00; [DEV]=0x00", "0xFF4C")}),
    [](const testing::TestParamInfo<SimulatedChip>& info) { return info.param.name; });

// A setting the run cannot take: the message names it and its value and lists what is accepted;
// the check fails, and no file changes and none is made.
struct RefusedSetting {
    const char* name;
    Library library;
    Settings settings;
    std::string message;
    int imageMode = 0644;
    bool imageLocked = false;  // by another run
};

class FlashtestRefusedSetting : public testing::TestWithParam<RefusedSetting> {};

TEST_P(FlashtestRefusedSetting, IsNamedAndChangesNoFile) {
    const RefusedSetting& refused = GetParam();
    FlashtestRun run(refused.library);
    const std::string image = run.folder.file("chip.img");
    const std::string kept(512 * 1024, '\x3C');  // an image of a 512 KiB chip
    writeWholeFile(image, kept);
    writeWholeFile(run.folder.file("notes.txt"), "kept");
    chmod(image.c_str(), static_cast<mode_t>(refused.imageMode));
    const int otherRun = open(image.c_str(), O_RDONLY);
    ASSERT_TRUE(!refused.imageLocked || flock(otherRun, LOCK_EX) == 0);
    const ProgramResult result = run.set(refused.settings).start();
    close(otherRun);
    expectRun(run, result, failedCheck, 1, refused.message);
    EXPECT_NE(result.err.find("; accepted: "), std::string::npos) << result.err;
    EXPECT_TRUE(run.file("chip.img") == kept) << "the image changed";
    EXPECT_EQ(run.file("notes.txt"), "kept");
    EXPECT_EQ(filesIn(run.folder), (Lines{"chip.img", "flashtest", "libio.so", "notes.txt"}));
}

const char* const Vcd = "LPTIO_TRACE_VCD";
const char* const BusLog = "LPTIO_TRACE_BUSLOG";

RefusedSetting refused(const char* name, Settings settings, const char* named,
                       const std::string& shown) {
    settings.emplace("LPTIO_SIM_CHIP", "Am29F040B");
    return {name, Library::Simulator, settings, std::string(named) + "=\"" + shown + "\": "};
}
RefusedSetting badSetting(const char* name, const char* variable, const char* value) {
    return refused(name, {{variable, value}}, variable, value);
}
RefusedSetting held(RefusedSetting setting, int imageMode, bool imageLocked) {
    setting.imageMode = imageMode;
    setting.imageLocked = imageLocked;
    return setting;
}
RefusedSetting saying(RefusedSetting setting, const std::string& message) {
    setting.message = message;
    return setting;
}

INSTANTIATE_TEST_SUITE_P(
    Runs, FlashtestRefusedSetting,
    testing::Values(
        badSetting("BadBoard", "LPTIO_SIM_BOARD", "korvela+"),
        badSetting("BadChip", "LPTIO_SIM_CHIP", "Am29F040"),
        badSetting("BadEraseTime", "LPTIO_SIM_ERASE_MS", "11s"),
        badSetting("EraseTimeOverAnHour", "LPTIO_SIM_ERASE_MS", "3600001"),
        badSetting("EraseTimeOverflowing", "LPTIO_SIM_ERASE_MS", "99999999999"),
        saying(badSetting("BadFailure", "LPTIO_SIM_FAIL", "dq5"),
               "LPTIO_SIM_FAIL=\"dq5\": unknown failure; accepted: none, erase, program"),
        badSetting("BadVcdTrace", Vcd, "@/missing/run.vcd"),
        badSetting("ImageIsAFolder", "LPTIO_SIM_IMAGE", "@"),
        badSetting("ImageInAMissingFolder", "LPTIO_SIM_IMAGE", "@/missing/chip.img"),
        saying(badSetting("ImageOfAnotherChip", "LPTIO_SIM_CHIP", "S29GL128P"),
               "LPTIO_SIM_IMAGE=\"@/chip.img\": the file holds 524288 bytes instead of"),
        held(refused("ImageReadOnly", {}, "LPTIO_SIM_IMAGE", "@/chip.img"), 0444, false),
        held(refused("ImageInUse", {}, "LPTIO_SIM_IMAGE", "@/chip.img"), 0644, true),
        refused("TraceIsTheImage", {{Vcd, "@/chip.img"}}, Vcd, "@/chip.img"),
        refused("TraceIsTheOtherTrace", {{Vcd, "@/run"}, {BusLog, "@/./run"}}, BusLog, "@/./run"),
        refused("TraceIsTheLibrary", {{BusLog, "@/libio.so"}}, BusLog, "@/libio.so"),
        // Only regular files take traces, and never the program's own output.
        saying(refused("TraceIsAPipe", {{Vcd, "/dev/stdout"}}, Vcd, "/dev/stdout"),
               "LPTIO_TRACE_VCD=\"/dev/stdout\": not a regular file"),
        refused("TraceIsADevice", {{BusLog, "/dev/null"}}, BusLog, "/dev/null"),
        saying(refused("TraceIsTheProgramsOwnOutput", {{BusLog, "/dev/stderr"}}, BusLog,
                       "/dev/stderr"),
               "LPTIO_TRACE_BUSLOG=\"/dev/stderr\": the program's own output"),
        refused("TraceOfARefusedRun", {{"LPTIO_SIM_BOARD", "bogus"}, {BusLog, "@/notes.txt"}},
                "LPTIO_SIM_BOARD", "bogus"),
        refused("ValueEscapedAndCut", {{"LPTIO_SIM_CHIP", "Am\x1B[2J\n" + std::string(200, 'x')}},
                "LPTIO_SIM_CHIP", "Am\\x1B[2J\\x0A" + std::string(87, 'x') + "..."),
        // The user named the file for a trace of a run that, set up wrongly, never starts.
        RefusedSetting{"RealPortRefusedRunOverwritesNoTrace",
                       Library::RealPort,
                       {{"LPTIO_PORT", "LPT0"}, {BusLog, "@/notes.txt"}},
                       "lptio: LPTIO_PORT=\"LPT0\": ports count from LPT1"}),
    [](const testing::TestParamInfo<RefusedSetting>& info) { return info.param.name; });

// A run that finds no port it may drive fails the check, says why, and no access reaches the
// port driver.
struct NoPort {
    std::string name;
    Library library;
    Settings settings;
    const char* message;
    Platform platform = Platform::Native;
};

class FlashtestNoPort : public testing::TestWithParam<NoPort> {};

TEST_P(FlashtestNoPort, FailsTheCheckAndSaysWhy) {
    const NoPort& noPort = GetParam();
    const std::string reason = cannotRun(noPort.platform, noPort.library);
    if (!reason.empty()) {
        GTEST_SKIP() << reason;
    }
    FlashtestRun run(noPort.library, noPort.platform);
    expectRun(run, run.set(noPort.settings).start(), failedCheck, 1, noPort.message);
    EXPECT_TRUE(run.ports().empty());
}

// The native runs, and the Windows ones for each build under Wine.
std::vector<NoPort> noPortRuns(std::vector<NoPort> runs, const std::vector<NoPort>& windows) {
    for (Platform platform : {Platform::WineX64, Platform::WineX86}) {
        for (NoPort run : windows) {
            run.name = std::string(platformName(platform)).substr(0, 8) + run.name;
            run.platform = platform;
            runs.push_back(run);
        }
    }
    return runs;
}

const Library driver = Library::RealPortAndPortDriver;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Runs, FlashtestNoPort, testing::ValuesIn(noPortRuns(
    {NoPort{"RealPortUnwritableTrace", Library::RealPort,
            {{"LPTIO_PORT", "/dev/null"}, {Vcd, "/nonexistent/run.vcd"}},
            "lptio: LPTIO_TRACE_VCD=\"/nonexistent/run.vcd\": its folder is not there"},
     NoPort{"RealPortOnAnotherDevice", Library::RealPort, {{"LPTIO_PORT", "/dev/null"}},
            "lptio: cannot reach the port at 0x378 (LPTIO_PORT=/dev/null), reads give 0xFF: "
            "/dev/null is not a parallel port device"}},
    {NoPort{"HardwareWithoutPortAccessLibrary", Library::RealPort, forcedPort,
            "(LPTIO_PORT=0xd010), reads give 0xFF: inpout"},
     NoPort{"HardwareWithoutPortAccessLibraryOrPort", Library::RealPort, {},
            " is neither beside io.dll nor in Windows' system folder: get the freeware "},
     NoPort{"HardwareBadPortAccessLibrary", Library::RealPortAndBadPortDriver, forcedPort,
            ".dll cannot be loaded: Bad EXE format for @\\inpout"},
     NoPort{"HardwareDriverNotRunning", driver, with(forcedPort, "SCRIPTIO_DRIVER_CLOSED", "1"),
            "did not start although this run is elevated: Windows' vulnerable driver blocklist "
            "may refuse it"},
     // No port at 0x378 and no LPTIO_PORT: the library is loaded all the same.
     NoPort{"HardwareNoPortListed", driver, {},
            "reads give 0xFF: Windows lists no parallel port (a USB-to-parallel adapter"},
     NoPort{"HardwareForcedOntoTheFloppyController", driver,
            with(forcedPort, "LPTIO_PORT", "0x3f0"),
            "(LPTIO_PORT=0x3f0), reads give 0xFF: 0x3f0 belongs to the floppy disk controller: "
            "never used, even forced"},
     NoPort{"HardwareForcedOntoTriggerModeRegisters", driver,
            with(forcedPort, "LPTIO_PORT", "0x4d0"),
            "0x4d0 belongs to the interrupt controllers' trigger mode registers"},
     NoPort{"HardwareUnlistedAddressRefused", driver, {{"LPTIO_PORT", "0xd010"}},
            "(LPTIO_PORT=0xd010), reads give 0xFF: Windows lists no parallel port"},
     NoPort{"HardwareBadSetting", driver, {{"LPTIO_PORT", "/dev/parport0"}},
            "lptio: LPTIO_PORT=\"/dev/parport0\": not a parallel port; accepted: LPT1"},
     // A device takes no trace: a kill would lose what a buffer held.
     NoPort{"SimulatorTraceIsADevice", Library::Simulator, {{BusLog, "NUL"}},
            "lptio: LPTIO_TRACE_BUSLOG=\"NUL\": not a regular file"}})),
    [](const testing::TestParamInfo<NoPort>& info) { return info.param.name; });
// clang-format on

// The image is replaced through a file nobody could prepare: links planted at the names a
// save might use are never followed, and the image keeps its mode and its link.
TEST(FlashtestSimulatorImage, KeepsItsModeAndItsLinkAndFollowsNoPlantedLink) {
    FlashtestRun run(Library::Simulator);
    writeWholeFile(run.folder.file("chip.img"), std::string(512 * 1024, '\x3C'));
    chmod(run.folder.file("chip.img").c_str(), 0600);
    writeWholeFile(run.folder.file("victim"), "kept");
    symlink("chip.img", run.folder.file("link.img").c_str());
    for (const char* planted : {"chip.img.tmp", "link.img.tmp"}) {
        symlink("victim", run.folder.file(planted).c_str());
    }
    const ProgramResult result =
        run.set({{"LPTIO_SIM_CHIP", "Am29F040B"}, {"LPTIO_SIM_IMAGE", "@/link.img"}}).start();
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("#READ:[00]=0xFF3C\n"), std::string::npos);  // the image's bytes
    EXPECT_TRUE(std::filesystem::is_symlink(run.folder.file("link.img")));
    EXPECT_TRUE(run.erased("chip.img"));
    EXPECT_EQ(std::filesystem::status(run.folder.file("chip.img")).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(run.file("victim"), "kept");
}

// A file size limit makes the erase's save fail; the run goes on, and says what was lost.
TEST(FlashtestSimulatorImage, AFailedSaveSaysSoAndKeepsTheOldImage) {
    FlashtestRun run(Library::Simulator);
    const std::string image = run.folder.file("chip.img");
    const std::string kept(512 * 1024, '\x3C');
    writeWholeFile(image, kept);
    run.shell = "trap '' XFSZ; ulimit -f 64; exec \"$0\"";
    const ProgramResult result = run.set({{"LPTIO_SIM_CHIP", "Am29F040B"}}).start();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err,
              "lptio: simulation, no real port: board korvella+, chip Am29F040B, image " + image +
                  "\nlptio: the chip's new contents were not saved to " + image +
                  " (File too large); the next run starts from the contents saved before\n");
    EXPECT_TRUE(run.file("chip.img") == kept);
    EXPECT_EQ(filesIn(run.folder), (Lines{"chip.img", "flashtest", "libio.so"}));
}

// The default image cannot be made in the run's folder: nobody set LPTIO_SIM_IMAGE, so the
// message must not blame it.
TEST(FlashtestSimulatorImage, ADefaultImageThatCannotBeMadeBlamesNoSetting) {
    FlashtestRun run(Library::Simulator);
    std::filesystem::create_directory(run.folder.file("lptio-sim-Am29F040B.img"));
    const ProgramResult result =
        run.set({{"LPTIO_SIM_CHIP", "Am29F040B"}, {"LPTIO_SIM_IMAGE", ""}}).start();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.find("LPTIO_SIM_IMAGE=\""), std::string::npos) << result.err;
    EXPECT_EQ(result.err.rfind(
                  "lptio: the default image lptio-sim-Am29F040B.img in the current folder: ", 0),
              0u)
        << result.err;
}

// Started with standard output closed, the program must not write its text into a trace.
TEST(FlashtestSimulatorTrace, ClosedStandardOutputNeverReachesATrace) {
    FlashtestRun run(Library::Simulator);
    run.shell = "exec \"$0\" >&-";
    run.set({{"LPTIO_SIM_BOARD", "none"}}).traceBusLog().start();
    const std::string log = run.file("run.log");
    EXPECT_EQ(log.rfind("# ", 0), 0u) << log;
    EXPECT_EQ(log.find("H/W"), std::string::npos) << log;
}

// A file's name goes to the operator's terminal escaped: an image or trace named with a
// terminal's control sequence (here: set the window's title) must not act there.
struct EscapedPathCase {
    const char* variable;
    const char* name;        // in the run's folder; the title sequence is put in at "*"
    const char* planted;     // "": nothing; "/dev/full": a link to it; else the file's text
    const char* plantedAt;   // the planted file's name, "*" as above
    const char* shownStart;  // the message's text before the shown path
};

class FlashtestEscapedPath : public testing::TestWithParam<EscapedPathCase> {};

TEST_P(FlashtestEscapedPath, ShowsControlCharactersAsEscapes) {
    const EscapedPathCase& path = GetParam();
    FlashtestRun run(Library::Simulator);
    const auto named = [&run](std::string text, const char* title) {
        return run.folder.file(text.replace(text.find('*'), 1, title));
    };
    const char* const raw = "\x1B]0;owned\x07";
    if (std::string(path.planted) == "/dev/full") {
        symlink("/dev/full", named(path.plantedAt, raw).c_str());
    } else if (*path.planted != '\0') {
        writeWholeFile(named(path.plantedAt, raw), path.planted);
    }
    const ProgramResult result =
        run.set({{"LPTIO_SIM_CHIP", "Am29F040B"}, {path.variable, named(path.name, raw)}}).start();
    EXPECT_EQ(result.err.find('\x1B'), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(path.shownStart + named(path.plantedAt, "\\x1B]0;owned\\x07")),
              std::string::npos)
        << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    Messages, FlashtestEscapedPath,
    testing::Values(EscapedPathCase{"LPTIO_SIM_IMAGE", "chip*.img", "", "chip*.img", "image "},
                    EscapedPathCase{"LPTIO_SIM_IMAGE", "*/chip.img", "", "*/", "no folder "},
                    EscapedPathCase{"LPTIO_TRACE_VCD", "run*.vcd", "not ours\n", "run*.gtkw",
                                    "lptio: "},
                    EscapedPathCase{"LPTIO_TRACE_BUSLOG", "run*.log", "/dev/full", "run*.log",
                                    "LPTIO_TRACE_BUSLOG=\""}));

// Runs turned away over what another run or the system holds, before any file is touched: the
// file named kept keeps its contents.
struct HeldElsewhere {
    const char* name;
    Library library;
    std::map<std::string, std::string> settings;  // "@": the run's folder
    // Puts the files in place; returns a descriptor to hold during the run, or -1.
    std::function<int(const TemporaryFolder&)> prepare;
    const char* shell;  // starts the program (exec "$0"), or null
    const char* err;
    const char* kept;
    const char* needs = "true";  // a command that must work here for the shell's sake
};

int imageInFolder(const TemporaryFolder& folder) {
    writeWholeFile(folder.file("chip.img"), "kept");
    writeWholeFile(folder.file("chip.img.src"), "kept");
    return -1;
}
int lockedImageOfAnotherRun(const TemporaryFolder& folder) {
    writeWholeFile(folder.file("other.img"), "kept");
    const int held = open(folder.file("other.img").c_str(), O_RDONLY);
    flock(held, LOCK_EX);
    return held;
}
int imageInStickyFolder(const TemporaryFolder& folder) {
    chmod(folder.path().c_str(), 0755);
    mkdir(folder.file("shared").c_str(), 01777);
    chmod(folder.file("shared").c_str(), 01777);
    writeWholeFile(folder.file("shared/chip.img"), "kept");
    chmod(folder.file("shared/chip.img").c_str(), 0666);
    return -1;
}

int writeOnlyTraceOfAnotherUser(const TemporaryFolder& folder) {
    chmod(folder.path().c_str(), 0755);
    mkdir(folder.file("own").c_str(), 0755);
    writeWholeFile(folder.file("own/run.vcd"), "kept");
    chmod(folder.file("own/run.vcd").c_str(), 0200);
    for (const char* name : {"own", "own/run.vcd"}) {
        (void)!chown(folder.file(name).c_str(), 65534, 65534);
    }
    return -1;
}

class FlashtestHeldElsewhere : public testing::TestWithParam<HeldElsewhere> {};

TEST_P(FlashtestHeldElsewhere, IsRefusedAndTouchesNothing) {
    const HeldElsewhere& held = GetParam();
    if (system((std::string(held.needs) + " 2>/dev/null").c_str()) != 0) {
        GTEST_SKIP() << "cannot run here: " << held.needs;
    }
    FlashtestRun run(held.library);
    run.shell = held.shell;
    const int holding = held.prepare(run.folder);
    const ProgramResult result = run.set(held.settings).start();
    if (holding >= 0) {
        close(holding);
    }
    EXPECT_EQ(result.out, failedCheck);
    EXPECT_NE(result.err.find(held.err), std::string::npos) << result.err;
    EXPECT_EQ(run.file(held.kept), "kept");
}

const std::map<std::string, std::string> smallChip = {{"LPTIO_SIM_CHIP", "Am29F040B"}};

INSTANTIATE_TEST_SUITE_P(
    Runs, FlashtestHeldElsewhere,
    testing::Values(
        HeldElsewhere{"TraceIsAnotherRunsImage", Library::Simulator,
                      with(smallChip, "LPTIO_TRACE_VCD", "@/other.img"), lockedImageOfAnotherRun,
                      nullptr, "cannot take the trace (in use by another run (locked))",
                      "other.img"},
        // The port is refused before the traces are opened: another run's trace stays whole.
        HeldElsewhere{"UnreachablePortLeavesTheTrace",
                      Library::RealPort,
                      {{"LPTIO_PORT", "/dev/null"}, {"LPTIO_TRACE_BUSLOG", "@/other.img"}},
                      lockedImageOfAnotherRun,
                      nullptr,
                      "is not a parallel port device",
                      "other.img"},
        // The image is made before any trace is opened: a run refused over it (here a full
        // disk) leaves the file its trace names as it was.
        HeldElsewhere{"ImageCannotBeMadeLeavesTheTrace", Library::Simulator,
                      with(with(smallChip, "LPTIO_SIM_IMAGE", "@/new.img"), "LPTIO_TRACE_BUSLOG",
                           "@/other.img"),
                      [](const TemporaryFolder& folder) {
                          writeWholeFile(folder.file("other.img"), "kept");
                          return -1;
                      },
                      "trap '' XFSZ; ulimit -f 64; exec \"$0\"",
                      "cannot be created (File too large)", "other.img"},
        HeldElsewhere{"BindMountedImage", Library::Simulator,
                      with(smallChip, "LPTIO_SIM_IMAGE", "@/chip.img"), imageInFolder,
                      "exec unshare -rm sh -c 'mount --bind \"$LPTIO_SIM_IMAGE.src\" "
                      "\"$LPTIO_SIM_IMAGE\" && exec \"$0\"' \"$0\"",
                      "a mount point (a bind-mounted file)", "chip.img", "unshare -rm true"},
        // A file that cannot be read back cannot be mapped: refused, not written through a
        // buffer that a kill would lose.
        HeldElsewhere{"WriteOnlyTrace", Library::Simulator,
                      with(with(smallChip, "LPTIO_SIM_IMAGE", "@/own/chip.img"), "LPTIO_TRACE_VCD",
                           "@/own/run.vcd"),
                      writeOnlyTraceOfAnotherUser,
                      "exec setpriv --reuid=65534 --regid=65534 --clear-groups \"$0\"",
                      "which needs reading too", "own/run.vcd",
                      "[ $(id -u) = 0 ] && setpriv --reuid=65534 true"},
        HeldElsewhere{"AnotherUsersImageInAStickyFolder", Library::Simulator,
                      with(smallChip, "LPTIO_SIM_IMAGE", "@/shared/chip.img"), imageInStickyFolder,
                      "exec setpriv --reuid=65534 --regid=65534 --clear-groups \"$0\"",
                      "another user's file in a shared (sticky) folder", "shared/chip.img",
                      "[ $(id -u) = 0 ] && setpriv --reuid=65534 true"}),
    [](const testing::TestParamInfo<HeldElsewhere>& info) { return info.param.name; });

}  // namespace
