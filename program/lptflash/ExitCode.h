// SPDX-License-Identifier: MIT
// lptflash's exit codes, as --help and the README list them.
#ifndef LPTFLASH_LPTFLASH_EXITCODE_H
#define LPTFLASH_LPTFLASH_EXITCODE_H

namespace ExitCode {
constexpr int Done = 0;
constexpr int NoAdapter = 1;   // no usable io library, or no adapter answered
constexpr int BadUsage = 2;    // bad arguments, or a file that cannot be read or written
constexpr int Mismatch = 3;    // verify found differences, or the chip is not blank
constexpr int ChipFailed = 4;  // the chip reported a failed erase or program, or timed out
}  // namespace ExitCode

constexpr const char* ExitCodeTable =
    "Exit codes:\n"
    "  0  done\n"
    "  1  no usable io library (libio.so / io.dll), or no adapter answered\n"
    "  2  bad usage, or a file that cannot be read or written\n"
    "  3  verify found differences, or the chip is not blank\n"
    "  4  the chip reported a failed erase or program, or it timed out\n";

#endif
