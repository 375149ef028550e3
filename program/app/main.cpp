// SPDX-License-Identifier: MIT
#include "app/TestRun.h"
#include "driver/Korvella4v4.h"
#include "platform/Console.h"

int main() {
    prepareConsole();
    // The driver lives until the process ends: its destructor must not run on any path.
    ProgrammerDriver* driver = new Korvella4v4(TestRunBasePort);
    const int exitCode = runTestSequence(driver);
    pauseForKey();
    return exitCode;
}
