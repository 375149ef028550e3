// The shipped flashtest, unmodified, end to end: one row per run, natively or a Windows build
// under Wine, each with the port I/O library beside the program, its settings, and what the run
// must show. The clock is sped up so that the 300 s erase wait passes in a fraction of a second.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iterator>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "PortLog.h"
#include "ProgramRun.h"
#include "SampleChip.h"

namespace {

using Lines = std::vector<std::string>;
using Library = PortLibrary;

const std::string pause = pausePrompt;
const std::string notInitialized = "IO driver not initialized !\n" + pause;
const std::string failedCheck = "H/W check failed !\n" + pause;

std::string report(const std::string& board, const std::string& firstWord, const std::string& id,
                   const std::string& extended, const std::string& afterErase = "0xFFFF") {
    return board + " detected !\n#READ:[00]=" + firstWord + "\n#ID:  " + id +
           "\n#EXT: " + extended +
           "\nErase in progress...\nWait 300 seconds !\n#READ:[00]=" + afterErase + "\n\n" + pause;
}

// The simulator's image after the run: absent, kept as the row filled it (0x3C), or erased.
enum class Image { Unchecked, Absent, Kept, Erased };

struct Row {
    const char* name;
    Library library;
    std::map<std::string, std::string> settings;  // "@": the run's folder, also in err
    std::string out;
    int exitCode;
    std::string err = "";  // part of stderr; empty: no message of the library at all
    Lines ports = {};      // first port accesses of the scripted library
    Lines cycles = {};     // from the port log or the bus log; empty: not checked
    Image image = Image::Unchecked;
    std::string imageFile = "chip.img";
    int imageMode = 0644;
    bool imageLocked = false;  // by another run
    bool stdoutReaderGone = false;
    size_t accessCount = 0;  // in the port log; 0: not checked
    Platform platform = Platform::Native;

    Row withErr(std::string text) const { return set(&Row::err, std::move(text)); }
    Row withPorts(Lines lines) const { return set(&Row::ports, std::move(lines)); }
    Row withCycles(Lines lines) const { return set(&Row::cycles, std::move(lines)); }
    Row withImage(Image expected, std::string file = "chip.img") const {
        return set(&Row::image, expected).set(&Row::imageFile, std::move(file));
    }
    template <typename Field, typename Value>
    Row set(Field Row::*field, Value value) const {
        Row row = *this;
        row.*field = std::move(value);
        return row;
    }
};

std::string nameOf(const Row& row) {
    const char* const platforms[] = {"", "WineX64_", "WineX86_"};
    return platforms[static_cast<int>(row.platform)] + std::string(row.name);
}
void PrintTo(const Row& row, std::ostream* out) {
    *out << nameOf(row);
}

Lines filesIn(const TemporaryFolder& folder) {
    Lines names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A bus log without its times, which depend on the machine; "#" for each comment line.
Lines busLog(const std::string& log) {
    Lines entries;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        entries.push_back(line[0] == '#' ? "#" : line.substr(15, line.find('\r') - 15));
    }
    return entries;
}

// The default run's bus log, written out by hand: the probe line by line, then the report's
// cycles with each command and what each byte read means.
const Lines defaultRunLog = {"#",
                             "#",
                             "line   C0_byte_select = 1",
                             "line   C3_write_strobe = 1",
                             "line   C0_byte_select = 0",
                             "line   C2_enable = 1",
                             "line   C3_write_strobe = 0",
                             "sample S7_presence = 1",
                             "line   D0_addr_clock = 1",
                             "sample S7_presence = 0",
                             "sample S7_presence = 0",
                             "line   C0_byte_select = 1",
                             "line   C3_write_strobe = 1",
                             "line   D0_addr_clock = 0",
                             "line   C2_enable = 0",
                             "probe  Korvella+ answered",
                             "write  0x000555  low   0xF0  reset",
                             "read   0x000000  low   0x4C",
                             "read   0x000000  high  0x50",
                             "write  0x000555  low   0xF0  reset",
                             "write  0x000555  low   0xAA  unlock 1/2",
                             "write  0x0002AA  low   0x55  unlock 2/2",
                             "write  0x000555  low   0x90  autoselect",
                             "read   0x000000  low   0x01  manufacturer code",
                             "read   0x000001  low   0x7E  device code",
                             "read   0x00000E  low   0x21  extended code 1/2",
                             "read   0x00000F  low   0x01  extended code 2/2; chip S29GL128P",
                             "write  0x000000  low   0xF0  reset",
                             "write  0x000555  low   0xAA  unlock 1/2",
                             "write  0x0002AA  low   0x55  unlock 2/2",
                             "write  0x000555  low   0x80  erase setup",
                             "write  0x000555  low   0xAA  unlock 1/2",
                             "write  0x0002AA  low   0x55  unlock 2/2",
                             "write  0x000555  low   0x10  chip erase",
                             "write  0x000000  low   0xF0  reset",
                             "read   0x000000  low   0xFF  erase status: done",
                             "read   0x000000  high  0xFF"};

class Flashtest : public testing::TestWithParam<Row> {};

TEST_P(Flashtest, Runs) {
    const Row& row = GetParam();
    const std::string reason = cannotRun(row.platform, row.library);
    if (!reason.empty()) {
        GTEST_SKIP() << reason;
    }
    TemporaryFolder folder;
    // Under Wine, files the program opens are named from its current folder, the run's folder.
    const bool wine = row.platform != Platform::Native;
    std::string windowsFolder = "Z:" + folder.path();
    std::replace(windowsFolder.begin(), windowsFolder.end(), '/', '\\');
    const auto inFolder = [&](std::string text) {
        const auto at = text.find('@');
        return at == std::string::npos ? text
                                       : text.replace(at, 1, wine ? windowsFolder : folder.path());
    };
    const auto here = [&](const char* name) -> std::string {
        return wine ? name : folder.file(name);
    };
    std::map<std::string, std::string> settings;
    for (const auto& [name, value] : row.settings) {
        settings[name] = inFolder(value);
    }
    const bool driver = row.library == Library::RealPortAndPortDriver;
    const bool logged = driver || row.library == Library::Scripted ||
                        row.library == Library::WithoutIsDriverInstalled ||
                        row.library == Library::WithoutPortOut;
    if (logged) {
        settings["SCRIPTIO_LOG"] = here("ports.log");
    }
    if (driver) {
        settings["SCRIPTIO_LOADED"] = here("port-driver-loaded");
    }
    if ((!logged || driver) && !row.cycles.empty()) {
        settings["LPTIO_TRACE_BUSLOG"] = here("run.log");
    }
    if (row.library == Library::Simulator) {
        settings.emplace("LPTIO_SIM_IMAGE", here("chip.img"));
    }
    const std::string image = folder.file(row.imageFile);
    const std::string kept(512 * 1024, '\x3C');  // an image of a 512 KiB chip
    if (row.image == Image::Kept) {
        writeWholeFile(image, kept);
        writeWholeFile(folder.file("notes.txt"), "kept");
        chmod(image.c_str(), static_cast<mode_t>(row.imageMode));
    }
    const int otherRun = open(image.c_str(), O_RDONLY);
    ASSERT_TRUE(!row.imageLocked || flock(otherRun, LOCK_EX) == 0);

    const ProgramResult result =
        runFlashtest(folder, row.library, settings, row.stdoutReaderGone, nullptr, row.platform);
    close(otherRun);
    // Every run loads the port-access library first, which installs its driver when elevated.
    EXPECT_EQ(readWholeFile(folder.file("port-driver-loaded")), driver ? "loaded\n" : "");

    EXPECT_EQ(result.out, expectedStdout(row.platform, row.out));
    EXPECT_EQ(result.exitCode, row.exitCode) << result.err;
    if (row.err.empty()) {
        // The simulator says once that it is one; nothing else may be said.
        const bool simulated = row.library == Library::Simulator;
        EXPECT_EQ(result.err.rfind("lptio: simulation, no real port: board ", 0) == 0, simulated)
            << result.err;
        EXPECT_EQ(result.err.find("lptio:", simulated ? 1 : 0), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("flashtest:"), std::string::npos) << result.err;
    } else {
        EXPECT_NE(result.err.find(inFolder(row.err)), std::string::npos) << result.err;
    }
    const auto programLine = result.err.find("flashtest: ");
    EXPECT_EQ(result.err.find("flashtest: ", programLine + 1), std::string::npos) << "one line";
    // The program speaks only of a library that is there but cannot be loaded.
    EXPECT_EQ(programLine != std::string::npos,
              row.library == Library::NotALibrary || row.library == Library::OtherSimulator);
    if (row.exitCode == 0) {
        EXPECT_EQ(result.err.find("lptio:"), result.err.rfind("lptio:")) << "one library line";
    }
    Lines cycles;
    Lines traced = busLog(readWholeFile(folder.file("run.log")));
    if (logged) {
        std::vector<PortCall> calls = parseLog(readWholeFile(folder.file("ports.log")));
        for (PortCall& call : calls) {
            EXPECT_TRUE(!driver || call.port >= 0xD010) << call.port;  // only at the forced base
            call.port = driver ? call.port - 0xD010 + 0x378 : call.port;
        }
        cycles = busCycles(calls);
        EXPECT_EQ(accessStrings(calls, row.ports.size()), row.ports);
        EXPECT_TRUE(row.accessCount == 0 || calls.size() == row.accessCount) << calls.size();
        if (row.library != Library::Scripted && row.ports.empty()) {
            EXPECT_TRUE(calls.empty());
        } else if (!driver && !calls.empty()) {
            EXPECT_EQ(accessStrings({calls.back()}, 1), Lines{"W 890 09"});  // lines left idle
        }
        // The hardware library traces what it passes on.
        const auto erases =
            std::count(traced.begin(), traced.end(), writeCycle(0x555, 0x10, "chip erase"));
        EXPECT_TRUE(!driver || row.cycles.empty() || erases == 1) << erases;
    } else {
        cycles = traced;
    }
    if (!row.cycles.empty()) {
        EXPECT_EQ(cycles, row.cycles);
    }
    const std::string contents = readWholeFile(image);
    switch (row.image) {
        case Image::Absent:
            EXPECT_FALSE(std::filesystem::exists(image));
            break;
        case Image::Kept:  // a refused run changes no file and makes none
            EXPECT_TRUE(contents == kept) << "the image changed";
            EXPECT_EQ(readWholeFile(folder.file("notes.txt")), "kept");
            EXPECT_EQ(filesIn(folder), (Lines{"chip.img", "flashtest", "libio.so", "notes.txt"}));
            EXPECT_NE(result.err.find("; accepted: "), std::string::npos) << result.err;
            break;
        case Image::Erased:
            EXPECT_FALSE(contents.empty());
            EXPECT_EQ(contents.find_first_not_of('\xFF'), std::string::npos);
            break;
        case Image::Unchecked:
            break;
    }
}

const std::vector<unsigned> sampleChip(sampleChipBytes.begin(), sampleChipBytes.end());
const std::string scriptedChip = statusScript({true, false, true}, sampleChip);  // Korvella+

Row scripted(const char* name, const std::string& status, std::string out, int exitCode) {
    return Row{name, Library::Scripted, {{"SCRIPTIO_STATUS", status}}, std::move(out), exitCode};
}

// A complete run on the simulator (empty settings: the defaults) erases its image.
Row simulated(const char* name, const char* board, const char* chip, std::string out,
              const char* eraseMs = "") {
    return Row{
        name,
        Library::Simulator,
        {{"LPTIO_SIM_BOARD", board}, {"LPTIO_SIM_CHIP", chip}, {"LPTIO_SIM_ERASE_MS", eraseMs}},
        std::move(out),
        0}
        .withImage(Image::Erased);
}

// A refused run names the variable and its value, fails the check and changes no file.
Row refused(const char* name, std::map<std::string, std::string> settings, const char* named,
            const std::string& shown) {
    settings.emplace("LPTIO_SIM_CHIP", "Am29F040B");
    return Row{name, Library::Simulator, settings, failedCheck, 1}
        .withErr(std::string(named) + "=\"" + shown + "\": ")
        .withImage(Image::Kept);
}
Row badSetting(const char* name, const char* variable, const char* value) {
    return refused(name, {{variable, value}}, variable, value);
}
const char* const Vcd = "LPTIO_TRACE_VCD";
const char* const BusLog = "LPTIO_TRACE_BUSLOG";

const std::string sampleReport = sampleChipReport + pause;

// The hardware library's opening reads, then the construction and probe as it passes them on:
// without the writes to the read-only status register, with its read-back of the data register.
const Lines forwardedProbe = {"R 888",    "R 889",    "R 890",    "W 888 00", "W 890 09",
                              "W 890 09", "W 890 04", "R 889",    "W 888 01", "R 888",
                              "R 889",    "R 889",    "W 890 0D", "W 888 00", "W 890 09"};

// Runs that only a Windows build makes, for either build under Wine.
std::vector<Row> windowsRows() {
    const std::map<std::string, std::string> forced = {{"LPTIO_PORT", "0xd010"},
                                                       {"LPTIO_FORCE_PORT", "1"}};
    const auto with = [](std::map<std::string, std::string> settings, const char* name,
                         const char* value) {
        settings[name] = value;
        return settings;
    };
    const Library driver = Library::RealPortAndPortDriver;
    return {
        Row{"NotALibrary", Library::NotALibrary, {}, notInitialized, 1}.withErr(
            "flashtest: cannot load @\\io.dll: "),
        Row{"HardwareWithoutPortAccessLibrary", Library::RealPort, forced, failedCheck, 1}.withErr(
            "(LPTIO_PORT=0xd010), reads give 0xFF: inpout"),
        Row{"HardwareWithoutPortAccessLibraryOrPort", Library::RealPort, {}, failedCheck, 1}
            .withErr(" is neither beside io.dll nor in Windows' system folder: get the freeware "),
        Row{"HardwareBadPortAccessLibrary", Library::RealPortAndBadPortDriver, forced, failedCheck,
            1}
            .withErr(".dll cannot be loaded: Bad EXE format for @\\inpout"),
        Row{"HardwareDriverNotRunning", driver, with(forced, "SCRIPTIO_DRIVER_CLOSED", "1"),
            failedCheck, 1}
            .withErr("did not start although this run is elevated: Windows' vulnerable driver "
                     "blocklist may refuse it"),
        // No port at 0x378 and no LPTIO_PORT: the library is loaded all the same.
        Row{"HardwareNoPortListed", driver, {}, failedCheck, 1}.withErr(
            "reads give 0xFF: Windows lists no parallel port (a USB-to-parallel adapter"),
        Row{"HardwareForcedOntoTheFloppyController", driver, with(forced, "LPTIO_PORT", "0x3f0"),
            failedCheck, 1}
            .withErr("(LPTIO_PORT=0x3f0), reads give 0xFF: 0x3f0 belongs to the floppy disk "
                     "controller: never used, even forced"),
        Row{"HardwareForcedOntoTriggerModeRegisters", driver, with(forced, "LPTIO_PORT", "0x4d0"),
            failedCheck, 1}
            .withErr("0x4d0 belongs to the interrupt controllers' trigger mode registers"),
        Row{"HardwareUnlistedAddressRefused", driver, {{"LPTIO_PORT", "0xd010"}}, failedCheck, 1}
            .withErr("(LPTIO_PORT=0xd010), reads give 0xFF: Windows lists no parallel port"),
        Row{"HardwarePortNotAnswering", driver, with(forced, "SCRIPTIO_FLOATING", "1"), failedCheck,
            1}
            .withErr("no answer: the data register read back 0xFF after 0x01 was written")
            .withPorts(Lines(forwardedProbe.begin(), forwardedProbe.begin() + 10))
            .set(&Row::accessCount, 10u),
        // A device takes no trace: a kill would lose what a buffer held.
        Row{"SimulatorTraceIsADevice",
            Library::Simulator,
            {{"LPTIO_TRACE_BUSLOG", "NUL"}},
            failedCheck,
            1}
            .withErr("lptio: LPTIO_TRACE_BUSLOG=\"NUL\": not a regular file"),
        Row{"HardwareBadSetting", driver, {{"LPTIO_PORT", "/dev/parport0"}}, failedCheck, 1}
            .withErr("lptio: LPTIO_PORT=\"/dev/parport0\": not a parallel port; accepted: LPT1"),
        // Every access of the recording library's run, at a PCIe-style base Wine does not list.
        Row{"HardwareForwardsEveryAccess", driver,
            with(forced, "SCRIPTIO_STATUS", ("7F " + scriptedChip).c_str()),
            "Korvella+ detected !\n" + sampleReport, 0}
            .withErr("lptio: LPTIO_FORCE_PORT=1: using 0xd010, which Windows does not list as a "
                     "parallel port (it lists none)")
            .withPorts(forwardedProbe)
            .withCycles(reportCycles(sampleChip))
            // the recording run's accesses, the opening reads and read-back, no status write
            .set(&Row::accessCount, 1658u + 3u + 8u * 8u + 3u + 1u - 1u),
    };
}

// The native rows that also run under Wine, by name.
const std::set<std::string> alsoOnWindows = {"NoLibrary",         "WithoutIsDriverInstalled",
                                             "WithoutPortOut",    "Korvella",
                                             "SimulatorDefaults", "SimulatedBoardNone"};

std::vector<Row> rows(std::vector<Row> native) {
    std::vector<Row> all = native, windows = windowsRows();
    std::copy_if(native.begin(), native.end(), std::back_inserter(windows),
                 [](const Row& row) { return alsoOnWindows.count(row.name) > 0; });
    for (Platform platform : {Platform::WineX64, Platform::WineX86}) {
        for (Row row : windows) {
            all.push_back(row.set(&Row::platform, platform));
        }
        // The other build's library cannot load; stderr says which build can.
        const bool x64 = platform == Platform::WineX64;
        all.push_back(Row{"OtherBuildsLibrary", Library::OtherSimulator, {}, notInitialized, 1}
                          .withErr(x64 ? "It is a 32-bit library: use the x86 build of flashtest."
                                       : "It is a 64-bit library: use the x64 build of flashtest.")
                          .set(&Row::platform, platform));
    }
    return all;
}

INSTANTIATE_TEST_SUITE_P(
    Runs, Flashtest,
    testing::ValuesIn(rows(
        {Row{"NoLibrary", Library::None, {}, notInitialized, 1},
         Row{"WithoutIsDriverInstalled", Library::WithoutIsDriverInstalled, {}, notInitialized, 1},
         Row{"WithoutPortOut", Library::WithoutPortOut, {}, notInitialized, 1},
         // A file that is no library is named, with the loader's reason; a missing one is not.
         Row{"NotALibrary", Library::NotALibrary, {}, notInitialized, 1}.withErr(
             "flashtest: cannot load libio.so: @/libio.so"),
         scripted("FloatingLines", "", failedCheck, 1).withPorts(constructionAndProbe),
         scripted("Korvella", scriptedChip, "Korvella+ detected !\n" + sampleReport, 0)
             .withPorts(constructionAndProbe)
             .withCycles(reportCycles(sampleChip))
             .set(&Row::accessCount, 1658u + 3u + 8u * 8u),
         // A closed pipe must not end the run halfway through the chip access.
         scripted("ClosedOutputPipe", scriptedChip, "", 0)
             .withCycles(reportCycles(sampleChip))
             .set(&Row::stdoutReaderGone, true),
         simulated("SimulatorDefaults", "", "",
                   report("Korvella+", "0x504C", "[MAN]=0x01; [DEV]=0x7E",
                          "[DEV]=0x21; [DEV]=0x01"))
             .withCycles(defaultRunLog)
             .withImage(Image::Erased, "lptio-sim-S29GL128P.img")
             .set(&Row::settings, std::map<std::string, std::string>{{"LPTIO_SIM_IMAGE", ""}}),
         simulated("SimulatedVelmarMX29GL128F", "VELMAR/rev3b", "mx29gl128f",
                   report("Velmar/rev3b", "0x504C", "[MAN]=0xC2; [DEV]=0x7E",
                          "[DEV]=0x21; [DEV]=0x01")),
         simulated("SimulatedBoardNone", "none", "", failedCheck)
             .set(&Row::exitCode, 1)
             .withImage(Image::Absent),
         badSetting("BadBoard", "LPTIO_SIM_BOARD", "korvela+"),
         badSetting("BadChip", "LPTIO_SIM_CHIP", "Am29F040"),
         badSetting("BadEraseTime", "LPTIO_SIM_ERASE_MS", "11s"),
         badSetting("EraseTimeOverAnHour", "LPTIO_SIM_ERASE_MS", "3600001"),
         badSetting("EraseTimeOverflowing", "LPTIO_SIM_ERASE_MS", "99999999999"),
         badSetting("BadFailure", "LPTIO_SIM_FAIL", "dq5")
             .withErr("LPTIO_SIM_FAIL=\"dq5\": unknown failure; accepted: none, erase, program"),
         simulated("EraseTimeZeroWithLeadingZeros", "", "Am29F040B",
                   report("Korvella+", "0xFF4C", "[MAN]=0x01; [DEV]=0xA4",
                          "[DEV]=0x00; [DEV]=0x00"),
                   "000000000000"),
         // An hour's erase is still running after the program's 300 s: the chip answers its
         // status (DQ7 clear, DQ6 and DQ2 toggling, DQ3 set) on the low lane.
         simulated("EraseTimeAnHour", "", "Am29F040B",
                   report("Korvella+", "0xFF4C", "[MAN]=0x01; [DEV]=0xA4", "[DEV]=0x00; [DEV]=0x00",
                          "0xFF4C"),
                   "3600000"),
         badSetting("BadVcdTrace", "LPTIO_TRACE_VCD", "@/missing/run.vcd"),
         badSetting("ImageIsAFolder", "LPTIO_SIM_IMAGE", "@"),
         badSetting("ImageInAMissingFolder", "LPTIO_SIM_IMAGE", "@/missing/chip.img"),
         badSetting("ImageOfAnotherChip", "LPTIO_SIM_CHIP", "S29GL128P")
             .withErr("LPTIO_SIM_IMAGE=\"@/chip.img\": the file holds 524288 bytes instead of"),
         refused("ImageReadOnly", {}, "LPTIO_SIM_IMAGE", "@/chip.img").set(&Row::imageMode, 0444),
         refused("ImageInUse", {}, "LPTIO_SIM_IMAGE", "@/chip.img").set(&Row::imageLocked, true),
         refused("TraceIsTheImage", {{Vcd, "@/chip.img"}}, Vcd, "@/chip.img"),
         refused("TraceIsTheOtherTrace", {{Vcd, "@/run"}, {BusLog, "@/./run"}}, BusLog, "@/./run"),
         refused("TraceIsTheLibrary", {{BusLog, "@/libio.so"}}, BusLog, "@/libio.so"),
         // Only regular files take traces, and never the program's own output.
         refused("TraceIsAPipe", {{Vcd, "/dev/stdout"}}, Vcd, "/dev/stdout")
             .withErr("LPTIO_TRACE_VCD=\"/dev/stdout\": not a regular file"),
         refused("TraceIsADevice", {{BusLog, "/dev/null"}}, BusLog, "/dev/null"),
         refused("TraceIsTheProgramsOwnOutput", {{BusLog, "/dev/stderr"}}, BusLog, "/dev/stderr")
             .withErr("LPTIO_TRACE_BUSLOG=\"/dev/stderr\": the program's own output"),
         refused("TraceOfARefusedRun", {{"LPTIO_SIM_BOARD", "bogus"}, {BusLog, "@/notes.txt"}},
                 "LPTIO_SIM_BOARD", "bogus"),
         refused("ValueEscapedAndCut", {{"LPTIO_SIM_CHIP", "Am\x1B[2J\n" + std::string(200, 'x')}},
                 "LPTIO_SIM_CHIP", "Am\\x1B[2J\\x0A" + std::string(87, 'x') + "..."),
         // The user named the file for a trace of a run that, set up wrongly, never starts.
         Row{"RealPortRefusedRunOverwritesNoTrace",
             Library::RealPort,
             {{"LPTIO_PORT", "LPT0"}, {BusLog, "@/notes.txt"}},
             failedCheck,
             1}
             .withErr("lptio: LPTIO_PORT=\"LPT0\": ports count from LPT1")
             .withImage(Image::Kept),
         Row{"RealPortUnwritableTrace",
             Library::RealPort,
             {{"LPTIO_PORT", "/dev/null"}, {"LPTIO_TRACE_VCD", "/nonexistent/run.vcd"}},
             failedCheck,
             1}
             .withErr("lptio: LPTIO_TRACE_VCD=\"/nonexistent/run.vcd\": its folder is not there"),
         Row{"RealPortOnAnotherDevice",
             Library::RealPort,
             {{"LPTIO_PORT", "/dev/null"}},
             failedCheck,
             1}
             .withErr("lptio: cannot reach the port at 0x378 (LPTIO_PORT=/dev/null), reads give "
                      "0xFF: /dev/null is not a parallel port device")})),
    [](const testing::TestParamInfo<Row>& info) { return nameOf(info.param); });

}  // namespace

namespace {

// The image is replaced through a file nobody could prepare: links planted at the names a
// save might use are never followed, and the image keeps its mode and its link.
TEST(FlashtestSimulatorImage, KeepsItsModeAndItsLinkAndFollowsNoPlantedLink) {
    TemporaryFolder folder;
    writeWholeFile(folder.file("chip.img"), std::string(512 * 1024, '\x3C'));
    chmod(folder.file("chip.img").c_str(), 0600);
    writeWholeFile(folder.file("victim"), "kept");
    symlink("chip.img", folder.file("link.img").c_str());
    for (const char* planted : {"chip.img.tmp", "link.img.tmp"}) {
        symlink("victim", folder.file(planted).c_str());
    }
    const ProgramResult result = runFlashtest(
        folder, Library::Simulator,
        {{"LPTIO_SIM_CHIP", "Am29F040B"}, {"LPTIO_SIM_IMAGE", folder.file("link.img")}});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("#READ:[00]=0xFF3C\n"), std::string::npos);  // the image's bytes
    EXPECT_TRUE(std::filesystem::is_symlink(folder.file("link.img")));
    EXPECT_TRUE(readWholeFile(folder.file("chip.img")) == std::string(512 * 1024, '\xFF'));
    EXPECT_EQ(std::filesystem::status(folder.file("chip.img")).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(readWholeFile(folder.file("victim")), "kept");
}

// A file size limit makes the erase's save fail; the run goes on, and says what was lost.
TEST(FlashtestSimulatorImage, AFailedSaveSaysSoAndKeepsTheOldImage) {
    TemporaryFolder folder;
    const std::string image = folder.file("chip.img");
    const std::string kept(512 * 1024, '\x3C');
    writeWholeFile(image, kept);
    const ProgramResult result = runFlashtest(
        folder, Library::Simulator, {{"LPTIO_SIM_CHIP", "Am29F040B"}, {"LPTIO_SIM_IMAGE", image}},
        false, "trap '' XFSZ; ulimit -f 64; exec \"$0\"");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err,
              "lptio: simulation, no real port: board korvella+, chip Am29F040B, image " + image +
                  "\nlptio: the chip's new contents were not saved to " + image +
                  " (File too large); the next run starts from the contents saved before\n");
    EXPECT_TRUE(readWholeFile(image) == kept);
    EXPECT_EQ(filesIn(folder), (Lines{"chip.img", "flashtest", "libio.so"}));
}

// Started with standard output closed, the program must not write its text into a trace.
TEST(FlashtestSimulatorTrace, ClosedStandardOutputNeverReachesATrace) {
    TemporaryFolder folder;
    runFlashtest(folder, Library::Simulator,
                 {{"LPTIO_SIM_BOARD", "none"}, {"LPTIO_TRACE_BUSLOG", folder.file("run.log")}},
                 false, "exec \"$0\" >&-");
    const std::string log = readWholeFile(folder.file("run.log"));
    EXPECT_EQ(log.rfind("# ", 0), 0u) << log;
    EXPECT_EQ(log.find("H/W"), std::string::npos) << log;
}

}  // namespace

namespace {

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
    const auto named = [](std::string text, const char* title) {
        return text.replace(text.find('*'), 1, title);
    };
    TemporaryFolder folder;
    const char* const raw = "\x1B]0;owned\x07";
    const char* const shown = "\\x1B]0;owned\\x07";
    if (std::string(path.planted) == "/dev/full") {
        symlink("/dev/full", folder.file(named(path.plantedAt, raw)).c_str());
    } else if (*path.planted != '\0') {
        writeWholeFile(folder.file(named(path.plantedAt, raw)), path.planted);
    }
    std::map<std::string, std::string> settings = {{"LPTIO_SIM_CHIP", "Am29F040B"}};
    settings[path.variable] = folder.file(named(path.name, raw));
    const ProgramResult result = runFlashtest(folder, Library::Simulator, settings);
    EXPECT_EQ(result.err.find('\x1B'), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(path.shownStart + folder.file(named(path.plantedAt, shown))),
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

}  // namespace

namespace {

// The default image cannot be made in the run's folder: nobody set LPTIO_SIM_IMAGE, so the
// message must not blame it.
TEST(FlashtestSimulatorImage, ADefaultImageThatCannotBeMadeBlamesNoSetting) {
    TemporaryFolder folder;
    std::filesystem::create_directory(folder.file("lptio-sim-Am29F040B.img"));
    const ProgramResult result = runFlashtest(
        folder, Library::Simulator, {{"LPTIO_SIM_CHIP", "Am29F040B"}, {"LPTIO_SIM_IMAGE", ""}});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.find("LPTIO_SIM_IMAGE=\""), std::string::npos) << result.err;
    EXPECT_EQ(result.err.rfind("lptio: the default image lptio-sim-Am29F040B.img in the current "
                               "folder: ",
                               0),
              0u)
        << result.err;
}

}  // namespace

namespace {

// Both streams to one file, as an operator keeps a log: the library's lines come before the
// pause's prompt, which the command processor writes through a handle of its own.
class FlashtestOneLog : public testing::TestWithParam<Platform> {};

TEST_P(FlashtestOneLog, HasTheLibrarysLinesBeforeThePrompt) {
    const std::string reason = cannotRun(GetParam(), Library::Simulator);
    if (!reason.empty()) {
        GTEST_SKIP() << reason;
    }
    TemporaryFolder folder;
    const ProgramResult result = runFlashtest(
        folder, Library::Simulator, {{"LPTIO_SIM_BOARD", "none"}}, false,
        "LD_PRELOAD=\"$LPTFLASH_WINE_PRELOAD\" exec \"$0\" \"$@\" </dev/null 2>&1", GetParam());
    const auto announced = result.out.find("lptio: simulation, no real port");
    EXPECT_NE(announced, std::string::npos) << result.out;
    EXPECT_LT(announced, result.out.find("Press any key")) << result.out;
}

INSTANTIATE_TEST_SUITE_P(Windows, FlashtestOneLog,
                         testing::Values(Platform::WineX64, Platform::WineX86),
                         [](const testing::TestParamInfo<Platform>& info) {
                             return std::string(info.param == Platform::WineX64 ? "WineX64"
                                                                                : "WineX86") +
                                    "_BoardNone";
                         });

}  // namespace

namespace {

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
    TemporaryFolder folder;
    const int holding = held.prepare(folder);
    std::map<std::string, std::string> settings;
    for (auto [name, value] : held.settings) {
        const auto at = value.find('@');
        settings[name] = at == std::string::npos ? value : value.replace(at, 1, folder.path());
    }
    const ProgramResult result =
        runFlashtest(folder, held.library, settings, false, held.shell, Platform::Native);
    if (holding >= 0) {
        close(holding);
    }
    EXPECT_EQ(result.out, failedCheck);
    EXPECT_NE(result.err.find(held.err), std::string::npos) << result.err;
    EXPECT_EQ(readWholeFile(folder.file(held.kept)), "kept");
}

const std::map<std::string, std::string> smallChip = {{"LPTIO_SIM_CHIP", "Am29F040B"}};
std::map<std::string, std::string> with(std::map<std::string, std::string> settings,
                                        const char* name, const char* value) {
    settings[name] = value;
    return settings;
}

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
