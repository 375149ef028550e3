// Traces of a whole simulated run, checked with the waveform readers people open them in.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "ProgramRun.h"
#include "SimulatedRun.h"

namespace {

std::vector<std::string> linesStartingWith(const std::string& text, const std::string& prefix) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(prefix, 0) == 0) {
            lines.push_back(line);
        }
    }
    return lines;
}

// Runs a tool found on PATH; exit code 127 when it is not installed.
ProgramResult runTool(std::vector<std::string> arguments) {
    ProgramRun run;
    run.program = "/usr/bin/env";
    run.arguments = std::move(arguments);
    return runProgram(run);
}

class SimulatedTrace : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder = new TemporaryFolder;
        run = new ProgramResult(runSimulated({{"LPTIO_SIM_IMAGE", folder->file("chip.img")},
                                              {"LPTIO_TRACE_VCD", folder->file("run.vcd")},
                                              {"LPTIO_TRACE_BUSLOG", folder->file("run.log")}}));
    }
    static void TearDownTestSuite() {
        delete run;
        delete folder;
    }
    static std::string vcd() { return folder->file("run.vcd"); }

    static TemporaryFolder* folder;
    static ProgramResult* run;
};

TemporaryFolder* SimulatedTrace::folder = nullptr;
ProgramResult* SimulatedTrace::run = nullptr;

TEST_F(SimulatedTrace, TheBusLogShowsEveryCycleOfTheReportWithItsCommand) {
    ASSERT_EQ(run->exitCode, 0) << run->err;
    std::vector<std::string> cycles;  // without the times, which depend on the machine
    std::istringstream log(readWholeFile(folder->file("run.log")));
    for (std::string line; std::getline(log, line);) {
        cycles.push_back(line[0] == '#' ? "#" : line.substr(15));
    }
    const std::vector<std::string> expected = {"#",
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
                                               "read   0x00000F  low   0x01  extended code 2/2; "
                                               "chip S29GL128P",
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
    EXPECT_EQ(cycles, expected);
}

TEST_F(SimulatedTrace, SigrokReadsEveryLineOfTheWaveform) {
    const ProgramResult result =
        runTool({"sigrok-cli", "-I", "vcd:compress=1000", "-i", vcd(), "-O", "bits"});
    if (result.exitCode == 127) {
        GTEST_SKIP() << "sigrok-cli is not installed (Debian package sigrok-cli)";
    }
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("Acquisition with 15/15 channels"), std::string::npos);
    // Every line the run moves must show both levels.
    for (const char* line : {"D0_addr_clock:", "D1_addr_bit:", "D2_read_clock:", "D4:",
                             "C0_byte_select:", "C1_data_drive:", "C2_enable:", "C3_write_strobe:",
                             "S6_read_back:", "S7_presence:", "status_read:"}) {
        std::string samples;
        for (const std::string& row : linesStartingWith(result.out, line)) {
            samples += row.substr(row.find(':') + 1);
        }
        EXPECT_NE(samples.find('0'), std::string::npos) << line;
        EXPECT_NE(samples.find('1'), std::string::npos) << line;
    }
}

TEST_F(SimulatedTrace, GtkwavesConverterKeepsEveryWireAndEveryTimeOfTheWaveform) {
    const ProgramResult converted = runTool({"vcd2fst", vcd(), folder->file("run.fst")});
    if (converted.exitCode == 127) {
        GTEST_SKIP() << "vcd2fst and fst2vcd are not installed (Debian package gtkwave)";
    }
    ASSERT_EQ(converted.exitCode, 0) << converted.err;
    const ProgramResult result = runTool({"fst2vcd", folder->file("run.fst")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string original = readWholeFile(vcd());
    EXPECT_EQ(linesStartingWith(result.out, "$var wire 1 "),
              linesStartingWith(original, "$var wire 1 "));
    const std::vector<std::string> times = linesStartingWith(original, "#");
    EXPECT_GT(times.size(), 1000u);
    EXPECT_EQ(linesStartingWith(result.out, "#"), times);
}

}  // namespace
