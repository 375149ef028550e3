// Traces of a whole simulated run, checked with the waveform readers people open them in.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "ProgramRun.h"
#include "SimulatedRun.h"

namespace {

// The program's full path found on PATH, or empty.
std::string onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::filesystem::path candidate = std::filesystem::path(folder) / program;
        if (std::filesystem::exists(candidate)) {
            return candidate.string();
        }
    }
    return {};
}

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

TEST_F(SimulatedTrace, TheBusLogNamesEveryCommandOfTheRunInOrder) {
    ASSERT_EQ(run->exitCode, 0) << run->err;
    std::vector<std::string> commands;
    std::istringstream log(readWholeFile(folder->file("run.log")));
    for (std::string line; std::getline(log, line);) {
        const std::size_t at = line.find("0x", line.find("0x") + 2);  // after the value
        if (line[0] != '#' && at != std::string::npos && line.size() > at + 6) {
            commands.push_back(line.substr(at + 6));
        }
    }
    const std::vector<std::string> expected = {
        "reset",      "reset",      "unlock 1/2", "unlock 2/2",  "autoselect",
        "reset",      "unlock 1/2", "unlock 2/2", "erase setup", "unlock 1/2",
        "unlock 2/2", "chip erase", "reset"};
    EXPECT_EQ(commands, expected);
    EXPECT_EQ(linesStartingWith(readWholeFile(folder->file("run.log")), "#").size(), 2u);
}

TEST_F(SimulatedTrace, TheBusLogShowsTheReadsOfTheReport) {
    const std::string log = readWholeFile(folder->file("run.log"));
    for (const char* read : {"read   0x000000  low   0x4C", "read   0x000000  high  0x50",
                             "read   0x000001  low   0x7E", "read   0x00000E  low   0x21",
                             "read   0x000000  low   0xFF"}) {
        EXPECT_NE(log.find(read), std::string::npos) << read << "\n" << log;
    }
}

TEST_F(SimulatedTrace, SigrokReadsEveryLineOfTheWaveform) {
    const std::string sigrok = onPath("sigrok-cli");
    if (sigrok.empty()) {
        GTEST_SKIP() << "sigrok-cli is not installed (Debian package sigrok-cli)";
    }
    ProgramRun read;
    read.program = sigrok;
    read.arguments = {"-I", "vcd:compress=1000", "-i", vcd(), "-O", "bits"};
    const ProgramResult result = runProgram(read);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("Acquisition with 14/14 channels"), std::string::npos);
    // Every line the run moves must show both levels.
    for (const char* line : {"D0:", "D1:", "D2:", "D4:", "byte_select:", "data_drive:", "enable:",
                             "write_strobe:", "S6_read_back:", "S7_presence:"}) {
        std::string samples;
        for (const std::string& row : linesStartingWith(result.out, line)) {
            samples += row.substr(row.find(':') + 1);
        }
        EXPECT_NE(samples.find('0'), std::string::npos) << line;
        EXPECT_NE(samples.find('1'), std::string::npos) << line;
    }
}

TEST_F(SimulatedTrace, GtkwavesConverterKeepsEveryWireAndEveryTimeOfTheWaveform) {
    const std::string toFst = onPath("vcd2fst");
    const std::string toVcd = onPath("fst2vcd");
    if (toFst.empty() || toVcd.empty()) {
        GTEST_SKIP() << "vcd2fst and fst2vcd are not installed (Debian package gtkwave)";
    }
    ProgramRun convert;
    convert.program = toFst;
    convert.arguments = {vcd(), folder->file("run.fst")};
    ASSERT_EQ(runProgram(convert).exitCode, 0);
    ProgramRun back;
    back.program = toVcd;
    back.arguments = {folder->file("run.fst")};
    const ProgramResult result = runProgram(back);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string original = readWholeFile(vcd());
    EXPECT_EQ(linesStartingWith(result.out, "$var wire 1 "),
              linesStartingWith(original, "$var wire 1 "));
    const std::vector<std::string> times = linesStartingWith(original, "#");
    EXPECT_GT(times.size(), 1000u);
    EXPECT_EQ(linesStartingWith(result.out, "#"), times);
}

}  // namespace
