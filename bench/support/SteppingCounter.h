// SPDX-License-Identifier: MIT
// A stand-in for the platform's performance counter, linked in place of the real one where a
// benchmark wants the program's waits to cost no time: one tick per second, and every read
// lies far past the one before, so any wait the program asks for ends at its first check. The
// waits' own code still runs; only their spinning is gone.
#ifndef LPTFLASH_BENCH_STEPPINGCOUNTER_H
#define LPTFLASH_BENCH_STEPPINGCOUNTER_H

#include <cstdint>

// Reads of the counter so far. A wait reads it exactly twice.
std::uint64_t steppingCounterReads();

#endif
