// SPDX-License-Identifier: MIT
// What the command line asks for, once it has been checked.
#ifndef LPTFLASH_LPTFLASH_OPTIONS_H
#define LPTFLASH_LPTFLASH_OPTIONS_H

#include <string>

#include "protocol/ChipTable.h"

struct Options {
    std::string command;                       // detect, read, verify, blank, erase, write
    std::string file;                          // read, verify, write
    const protocol::ChipType* chip = nullptr;  // --chip: used when the codes match no chip
    bool quiet = false;                        // -q: no progress line
    bool careful = false;                      // FlashChip's own read cycles and waits
    bool noVerify = false;                     // erase, write: no check afterwards
    bool eraseFirst = false;                   // write: erase the chip first
};

// Parses argv. Returns -1 with options filled in to go on; otherwise the exit code, after the
// help (0) or one line on stderr (2).
int parseCommandLine(int argc, char** argv, Options& options);

#endif
