// SPDX-License-Identifier: MIT
// The fixed test run: detection, chip report, pause.
#ifndef LPTFLASH_APP_TESTRUN_H
#define LPTFLASH_APP_TESTRUN_H

#include <cstdint>

#include "driver/ProgrammerDriver.h"
#include "protocol/AdapterLines.h"

// The adapter's parallel port: LPT1.
constexpr std::int32_t TestRunBasePort = Lpt1BasePort;

// Detection and, after a detected adapter, the chip report on the given driver, which is
// neither destroyed nor released. Returns the exit code: 0 after a complete run, 1 otherwise.
int runTestSequence(ProgrammerDriver* driver);

#endif
