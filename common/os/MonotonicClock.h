// SPDX-License-Identifier: MIT
// The high-resolution monotonic counter that all busy waits are timed by.
#ifndef LPTFLASH_OS_MONOTONICCLOCK_H
#define LPTFLASH_OS_MONOTONICCLOCK_H

#include <cstdint>

// Ticks per second; constant while the process runs.
std::int64_t queryCounterFrequency();

// Current tick count; never decreases.
std::int64_t queryCounter();

// The counter in nanoseconds, from an arbitrary origin: the time of the io libraries'
// traces and of the simulated chip, so that they keep the program's clock.
std::int64_t monotonicNanoseconds();

#endif
