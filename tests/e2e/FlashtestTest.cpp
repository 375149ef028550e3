// The shipped flashtest, unmodified, end to end: one row per run, each with the port I/O library
// beside the program, its settings, and what the run must show. CLOCK_MONOTONIC is sped up so
// that the 300 s erase wait passes in a fraction of a second.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <filesystem>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "PortLog.h"
#include "ProgramRun.h"
#include "SampleChip.h"

namespace {

using Lines = std::vector<std::string>;
using Library = PortLibrary;

const std::string pause = "Press any key to continue . . . \n";
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

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
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
        entries.push_back(line[0] == '#' ? "#" : line.substr(15));
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
                             "read   0x000000  low   0xFF",
                             "read   0x000000  high  0xFF"};

class Flashtest : public testing::TestWithParam<Row> {};

TEST_P(Flashtest, Runs) {
    const Row& row = GetParam();
    TemporaryFolder folder;
    const auto inFolder = [&folder](std::string text) {
        const auto at = text.find('@');
        return at == std::string::npos ? text : text.replace(at, 1, folder.path());
    };
    std::map<std::string, std::string> settings;
    for (const auto& [name, value] : row.settings) {
        settings[name] = inFolder(value);
    }
    const bool scripted = row.library == Library::Scripted ||
                          row.library == Library::WithoutIsDriverInstalled ||
                          row.library == Library::WithoutPortOut;
    if (scripted) {
        settings["SCRIPTIO_LOG"] = folder.file("ports.log");
    } else if (!row.cycles.empty()) {
        settings["LPTIO_TRACE_BUSLOG"] = folder.file("run.log");
    }
    if (row.library == Library::Simulator) {
        settings.emplace("LPTIO_SIM_IMAGE", folder.file("chip.img"));
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

    const ProgramResult result = runFlashtest(folder, row.library, settings, row.stdoutReaderGone);
    close(otherRun);

    EXPECT_EQ(result.out, row.out);
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
    Lines cycles;
    if (scripted) {
        const std::vector<PortCall> calls = parseLog(readWholeFile(folder.file("ports.log")));
        cycles = busCycles(calls);
        EXPECT_EQ(accessStrings(calls, row.ports.size()), row.ports);
        if (row.library != Library::Scripted) {
            EXPECT_TRUE(calls.empty());
        } else if (!calls.empty()) {
            EXPECT_EQ(accessStrings({calls.back()}, 1), Lines{"W 890 09"});  // lines left idle
        }
    } else {
        cycles = busLog(readWholeFile(folder.file("run.log")));
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

INSTANTIATE_TEST_SUITE_P(
    Runs, Flashtest,
    testing::Values(
        Row{"NoLibrary", Library::None, {}, notInitialized, 1},
        Row{"WithoutIsDriverInstalled", Library::WithoutIsDriverInstalled, {}, notInitialized, 1},
        Row{"WithoutPortOut", Library::WithoutPortOut, {}, notInitialized, 1},
        // A file that is no library is named, with the loader's reason; a missing one is not.
        Row{"NotALibrary", Library::NotALibrary, {}, notInitialized, 1}.withErr(
            "flashtest: cannot load libio.so: @/libio.so"),
        scripted("FloatingLines", "", failedCheck, 1).withPorts(constructionAndProbe),
        scripted("Korvella", scriptedChip, "Korvella+ detected !\n" + sampleReport, 0)
            .withPorts(constructionAndProbe)
            .withCycles(reportCycles(sampleChip)),
        // A closed pipe must not end the run halfway through the chip access.
        scripted("ClosedOutputPipe", scriptedChip, "", 0)
            .withCycles(reportCycles(sampleChip))
            .set(&Row::stdoutReaderGone, true),
        simulated("SimulatorDefaults", "", "",
                  report("Korvella+", "0x504C", "[MAN]=0x01; [DEV]=0x7E", "[DEV]=0x21; [DEV]=0x01"))
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
        simulated("EraseTimeZeroWithLeadingZeros", "", "Am29F040B",
                  report("Korvella+", "0xFF4C", "[MAN]=0x01; [DEV]=0xA4", "[DEV]=0x00; [DEV]=0x00"),
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
        refused("TraceOfARefusedRun", {{"LPTIO_SIM_BOARD", "bogus"}, {BusLog, "@/notes.txt"}},
                "LPTIO_SIM_BOARD", "bogus"),
        refused("ValueEscapedAndCut", {{"LPTIO_SIM_CHIP", "Am\x1B[2J\n" + std::string(200, 'x')}},
                "LPTIO_SIM_CHIP", "Am\\x1B[2J\\x0A" + std::string(87, 'x') + "..."),
        // The user named the file for a trace of a run that, set up wrongly, never starts.
        Row{"RealPortRefusedRunOverwritesNoTrace",
            Library::RealPort,
            {{"LPTIO_PORT", "lpt1"}, {BusLog, "@/notes.txt"}},
            failedCheck,
            1}
            .withErr("lptio: LPTIO_PORT=\"lpt1\": ")
            .withImage(Image::Kept),
        Row{"RealPortUnwritableTrace",
            Library::RealPort,
            {{"LPTIO_PORT", "/dev/null"}, {"LPTIO_TRACE_VCD", "/nonexistent/run.vcd"}},
            failedCheck,
            1}
            .withErr("lptio: LPTIO_TRACE_VCD=\"/nonexistent/run.vcd\": cannot create the file"),
        Row{"RealPortOnAnotherDevice",
            Library::RealPort,
            {{"LPTIO_PORT", "/dev/null"}},
            failedCheck,
            1}
            .withErr("lptio: cannot reach the port at 0x378 (LPTIO_PORT=/dev/null), reads give "
                     "0xFF: /dev/null is not a parallel port device")),
    [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

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
