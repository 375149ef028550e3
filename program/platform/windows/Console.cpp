// SPDX-License-Identifier: MIT
#include "platform/Console.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

// Started without a standard handle, the C runtime gives its stream no descriptor at all
// (_NO_CONSOLE_FILENO): console text goes nowhere, never into a file opened later.
void prepareConsole() {
    // The port I/O library shares this runtime's stderr: unbuffered, its lines reach a file that
    // also takes stdout in the order they were said, not at exit after the pause's prompt.
    std::setvbuf(stderr, nullptr, _IONBF, 0);
}

void pauseForKey() {
    // The command processor writes its prompt through its own handle: ours must be out first.
    std::fflush(stdout);
    std::fflush(stderr);
    // Keys typed during the wait are dropped: the pause waits for one pressed after its prompt.
    FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
    (void)std::system("PAUSE");
}
