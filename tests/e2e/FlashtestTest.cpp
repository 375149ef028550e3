// The shipped flashtest, unmodified, against the scripted port I/O library, with CLOCK_MONOTONIC
// sped up so that the 300 s erase wait passes in a fraction of a second.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "ProgramRun.h"
#include "SampleChip.h"
#include "porttrace/BusCycleDecoder.h"

namespace {

const std::string pausePrompt = "Press any key to continue . . . \n";
const std::string notInitialized = "IO driver not initialized !\n" + pausePrompt;

struct PortCall {
    char kind;  // 'W' or 'R'
    unsigned port;
    unsigned value;
};

std::vector<PortCall> parseLog(const std::string& text) {
    std::vector<PortCall> accesses;
    std::istringstream lines(text);
    PortCall access{};
    while (lines >> access.kind >> access.port >> std::hex >> access.value >> std::dec) {
        accesses.push_back(access);
    }
    return accesses;
}

std::string hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

// Bus cycles decoded from the lines by the bus log's decoder; writes without their byte lane.
std::vector<std::string> busCycles(const std::vector<PortCall>& calls) {
    porttrace::BusCycleDecoder decoder;
    std::vector<std::string> cycles;
    for (const PortCall& call : calls) {
        const auto direction = call.kind == 'W' ? porttrace::PortEvent::Direction::Write
                                                : porttrace::PortEvent::Direction::Read;
        porttrace::BusCycle cycle{};
        if (decoder.decode({0, direction, static_cast<PortRegister>(call.port - 888),
                            static_cast<std::uint8_t>(call.value)},
                           cycle)) {
            const bool read = cycle.kind == porttrace::BusCycle::Kind::Read;
            cycles.push_back((read ? "R " : "W ") + hex(cycle.address, 6) + " " +
                             hex(cycle.value, 2) +
                             (!read           ? ""
                              : cycle.lowByte ? " low"
                                              : " high"));
        }
    }
    return cycles;
}

// Status bytes that answer the detection probe and then shift the given chip bytes in, with
// noise on every status bit that must not count.
std::string statusScript(std::vector<bool> probe, std::vector<unsigned> chipBytes) {
    std::string script;
    unsigned noise = 0x15;
    for (bool set : probe) {
        script += hex((set ? 0x80 : 0x00) | (noise & 0x7F), 2) + " ";
        noise = (noise * 5 + 3) & 0xFF;
    }
    for (unsigned byte : chipBytes) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool one = ((byte >> bit) & 1) != 0;
            script += hex((one ? 0x00 : 0x40) | (noise & 0xBF), 2) + " ";
            noise = (noise * 5 + 3) & 0xFF;
        }
    }
    return script;
}

class FlashtestTest : public ::testing::Test {
  protected:
    ProgramResult run(const std::string& libraryDir, const std::string& status) {
        ProgramRun program;
        program.program = FLASHTEST_PATH;
        program.environment = {{"LD_LIBRARY_PATH", libraryDir},
                               {"LD_PRELOAD", FASTCLOCK_PATH},
                               {"SCRIPTIO_LOG", folder.file("ports.log")},
                               {"SCRIPTIO_STATUS", status}};
        return runProgram(program);
    }
    std::vector<PortCall> ports() const {
        return parseLog(readWholeFile(folder.file("ports.log")));
    }

    TemporaryFolder folder;
};

const std::vector<std::string> constructionAndProbe = {
    "W 888 00", "W 889 00", "W 890 09", "W 890 09",  // construction
    "W 890 04", "R 889",    "W 888 01", "R 889",    "R 889", "W 890 0D", "W 888 00", "W 890 09"};

std::vector<std::string> accessStrings(const std::vector<PortCall>& accesses, size_t count) {
    std::vector<std::string> result;
    for (size_t i = 0; i < count && i < accesses.size(); ++i) {
        const PortCall& a = accesses[i];
        result.push_back(std::string(1, a.kind) + " " + std::to_string(a.port) +
                         (a.kind == 'W' ? " " + hex(a.value, 2) : ""));
    }
    return result;
}

TEST_F(FlashtestTest, AloneInAFolderItReportsTheMissingLibrary) {
    const std::string copy = folder.file("flashtest");
    std::filesystem::copy_file(FLASHTEST_PATH, copy);
    ProgramRun program;
    program.program = copy;
    program.environment = {{"LD_LIBRARY_PATH", ""}, {"LD_PRELOAD", FASTCLOCK_PATH}};
    const ProgramResult result = runProgram(program);
    EXPECT_EQ(result.out, notInitialized);
    EXPECT_EQ(result.exitCode, 1);
}

TEST_F(FlashtestTest, FindsTheLibraryBesideItself) {
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer intercepts dlopen, so the search runs with its runtime's paths, not ours.
    GTEST_SKIP() << "RUNPATH lookups from dlopen do not work under AddressSanitizer";
#endif
    const std::string copy = folder.file("flashtest");
    std::filesystem::copy_file(FLASHTEST_PATH, copy);
    std::filesystem::copy_file(std::string(SCRIPTIO_DIR) + "/full/libio.so",
                               folder.file("libio.so"));
    ProgramRun program;
    program.program = copy;
    program.environment = {{"LD_LIBRARY_PATH", ""},
                           {"LD_PRELOAD", FASTCLOCK_PATH},
                           {"SCRIPTIO_LOG", folder.file("ports.log")}};
    const ProgramResult result = runProgram(program);
    EXPECT_EQ(result.out, "H/W check failed !\n" + pausePrompt);  // floating status lines
    EXPECT_EQ(accessStrings(ports(), 100), constructionAndProbe);
}

struct BrokenLibrary {
    const char* name;
    const char* dir;
};

class BrokenLibraryTest : public FlashtestTest,
                          public ::testing::WithParamInterface<BrokenLibrary> {};

TEST_P(BrokenLibraryTest, ReportsNotInitializedAndTouchesNoPort) {
    const ProgramResult result = run(std::string(SCRIPTIO_DIR) + "/" + GetParam().dir, "");
    EXPECT_EQ(result.out, notInitialized);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(ports().empty());
}

INSTANTIATE_TEST_SUITE_P(Flashtest, BrokenLibraryTest,
                         ::testing::Values(BrokenLibrary{"WithoutIsDriverInstalled",
                                                         "no_isdriverinstalled"},
                                           BrokenLibrary{"WithoutPortOut", "no_portout"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct NoAdapter {
    const char* name;
    std::vector<bool> probe;
};

class NoAdapterTest : public FlashtestTest, public ::testing::WithParamInterface<NoAdapter> {};

TEST_P(NoAdapterTest, StopsAfterTheProbeWithLinesIdle) {
    const ProgramResult result =
        run(std::string(SCRIPTIO_DIR) + "/full", statusScript(GetParam().probe, {}));
    EXPECT_EQ(result.out, "H/W check failed !\n" + pausePrompt);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(accessStrings(ports(), 100), constructionAndProbe);
}

INSTANTIATE_TEST_SUITE_P(Flashtest, NoAdapterTest,
                         ::testing::Values(NoAdapter{"NothingAnswers", {false, false, false}},
                                           NoAdapter{"LateAnswer", {false, true, true}},
                                           NoAdapter{"StuckHigh", {true, true, true}}),
                         [](const auto& info) { return std::string(info.param.name); });

const std::vector<unsigned> chipBytes(sampleChipBytes.begin(), sampleChipBytes.end());
const std::string report = sampleChipReport + pausePrompt;

const std::vector<std::string> reportCycles = {
    "W 000555 F0",     "R 000000 BC low", "R 000000 0A high",                 // first word
    "W 000555 F0",     "W 000555 AA",     "W 0002AA 55",      "W 000555 90",  // identifier mode
    "R 000000 01 low", "R 000001 7E low", "R 00000E 21 low",  "R 00000F 0C low",
    "W 000000 F0",     "W 000555 AA",     "W 0002AA 55",      "W 000555 80",  // chip erase
    "W 000555 AA",     "W 0002AA 55",     "W 000555 10",      "W 000000 F0",
    "R 000000 FF low", "R 000000 FF high"};  // word after erase

struct Board {
    const char* name;
    std::vector<bool> probe;
    std::string line;
};

class CompleteRunTest : public FlashtestTest, public ::testing::WithParamInterface<Board> {};

TEST_P(CompleteRunTest, ReportsTheChipAndLeavesTheLinesIdle) {
    const ProgramResult result =
        run(std::string(SCRIPTIO_DIR) + "/full", statusScript(GetParam().probe, chipBytes));
    EXPECT_EQ(result.out, GetParam().line + report);
    EXPECT_EQ(result.exitCode, 0);

    const auto accesses = ports();
    EXPECT_EQ(accessStrings(accesses, constructionAndProbe.size()), constructionAndProbe);
    EXPECT_EQ(busCycles(accesses), reportCycles);
    size_t writes = 0;
    for (const auto& a : accesses) {
        writes += a.kind == 'W' ? 1 : 0;
    }
    EXPECT_EQ(writes, 1658u);
    EXPECT_EQ(accesses.size() - writes, 3u + 8u * 8u);
    ASSERT_FALSE(accesses.empty());
    EXPECT_EQ(accessStrings({accesses.back()}, 1), std::vector<std::string>{"W 890 09"});
}

INSTANTIATE_TEST_SUITE_P(
    Flashtest, CompleteRunTest,
    ::testing::Values(Board{"Korvella", {true, false, true}, "Korvella+ detected !\n"},
                      Board{"Velmar", {true, true, false}, "Velmar/rev3b detected !\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FlashtestTest, ClosedOutputPipeDoesNotStopTheRunHalfway) {
    ProgramRun program;
    program.program = FLASHTEST_PATH;
    program.stdoutReaderGone = true;
    program.environment = {{"LD_LIBRARY_PATH", std::string(SCRIPTIO_DIR) + "/full"},
                           {"LD_PRELOAD", FASTCLOCK_PATH},
                           {"SCRIPTIO_LOG", folder.file("ports.log")},
                           {"SCRIPTIO_STATUS", statusScript({true, false, false}, chipBytes)}};
    const ProgramResult result = runProgram(program);
    EXPECT_EQ(result.exitCode, 0);
    const auto accesses = ports();
    ASSERT_EQ(accesses.size(), 1658u + 67u);
    EXPECT_EQ(accessStrings({accesses.back()}, 1), std::vector<std::string>{"W 890 09"});
}

}  // namespace
