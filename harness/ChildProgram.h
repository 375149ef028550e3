// SPDX-License-Identifier: MIT
// Runs a program the way an operator would, with extra environment, and collects what it did.
#ifndef LPTFLASH_HARNESS_CHILDPROGRAM_H
#define LPTFLASH_HARNESS_CHILDPROGRAM_H

#include <map>
#include <string>
#include <vector>

struct ProgramResult {
    int exitCode = -1;  // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

struct ProgramRun {
    std::string program;
    std::vector<std::string> arguments;
    // Added to (or replacing in) the test's own environment; an empty value removes the name.
    std::map<std::string, std::string> environment;
    std::string workingDirectory;   // empty: the test's own
    std::string input;              // written to stdin, which is then closed
    bool stdoutReaderGone = false;  // stdout is a pipe whose reader has already closed it
};

ProgramResult runProgram(const ProgramRun& run);

#endif
