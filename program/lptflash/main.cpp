// SPDX-License-Identifier: MIT
#include <cstdio>

#include "lptflash/Commands.h"
#include "lptflash/Options.h"
#include "platform/Console.h"
#include "platform/ProgramFiles.h"

int main(int argc, char** argv) {
    prepareConsole();
    Options options;
    const int parsed = parseCommandLine(argc, argv, options);
    if (parsed >= 0) {
        return parsed;
    }
    const int exitCode = runCommand(options);
    std::fflush(stdout);
    if (exitCode == Interrupted) {
        endAsInterrupted();
    }
    return exitCode;
}
