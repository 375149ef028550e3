#include "platform/Console.h"

#include <cstdio>
#include <cstdlib>

void prepareConsole() {}

void pauseForKey() {
    // The command processor writes its prompt through its own handle: ours must be out first.
    std::fflush(stdout);
    (void)std::system("PAUSE");
}
