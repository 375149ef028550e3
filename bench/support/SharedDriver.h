// SPDX-License-Identifier: MIT
// The real adapter driver, made once per benchmark program as the test run makes it: on the
// port I/O library that the loader finds as "io", at base port 888.
#ifndef LPTFLASH_BENCH_SHAREDDRIVER_H
#define LPTFLASH_BENCH_SHAREDDRIVER_H

#include "driver/ProgrammerDriver.h"

// Null when the library is not usable. Probed once, since its data-path operations may only
// follow a detection; never destroyed, like the test run's.
ProgrammerDriver* sharedDriver();

#endif
