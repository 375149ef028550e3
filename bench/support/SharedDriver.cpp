// SPDX-License-Identifier: MIT
#include "SharedDriver.h"

#include "app/TestRun.h"
#include "driver/Korvella4v4.h"

ProgrammerDriver* sharedDriver() {
    static ProgrammerDriver* const driver = [] {
        ProgrammerDriver* made = new Korvella4v4(TestRunBasePort);
        return made->detectHardware() == -1 ? nullptr : made;
    }();
    return driver;
}
