// SPDX-License-Identifier: MIT
#include "flash/Stopwatch.h"

#include "os/MonotonicClock.h"

Stopwatch::Stopwatch() : frequency(queryCounterFrequency()), start(queryCounter()) {}

std::uint64_t Stopwatch::elapsedUs() const {
    const std::int64_t ticks = queryCounter() - start;
    if (ticks <= 0 || frequency <= 0) {
        return 0;
    }
    // Split so that hours of ticks at a GHz rate do not overflow.
    return static_cast<std::uint64_t>(ticks / frequency * 1000000 +
                                      ticks % frequency * 1000000 / frequency);
}
