#include "platform/Console.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

// Started without a standard handle, the C runtime gives its stream no descriptor at all
// (_NO_CONSOLE_FILENO): console text goes nowhere, never into a file opened later.
void prepareConsole() {}

void pauseForKey() {
    // The command processor writes its prompt through its own handle: ours must be out first.
    std::fflush(stdout);
    // Keys typed during the wait are dropped: the pause waits for one pressed after its prompt.
    FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE));
    (void)std::system("PAUSE");
}
