// SPDX-License-Identifier: MIT
// The subcommands, on the adapter at LPT1.
#ifndef LPTFLASH_LPTFLASH_COMMANDS_H
#define LPTFLASH_LPTFLASH_COMMANDS_H

#include "lptflash/Options.h"

// Not an exit code: Ctrl-C stopped the command, which has cleaned up; end as Ctrl-C ends.
constexpr int Interrupted = -2;

// The exit code, or Interrupted. Every file and the port are released when it returns.
int runCommand(const Options& options);

#endif
