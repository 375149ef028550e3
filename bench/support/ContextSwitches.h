// SPDX-License-Identifier: MIT
// How often the kernel took the processor away from this thread: a measurement taken while
// that count grows was disturbed by other work on the machine.
#ifndef LPTFLASH_BENCH_CONTEXTSWITCHES_H
#define LPTFLASH_BENCH_CONTEXTSWITCHES_H

#include <cstdint>

// Involuntary context switches of the calling thread since it started.
std::int64_t involuntaryContextSwitches();

#endif
