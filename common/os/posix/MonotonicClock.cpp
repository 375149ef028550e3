// SPDX-License-Identifier: MIT
#include "os/MonotonicClock.h"

#include <time.h>

// Ticks are nanoseconds of CLOCK_MONOTONIC, read through the C library's clock_gettime.
std::int64_t queryCounterFrequency() {
    return 1000000000;
}

std::int64_t queryCounter() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

std::int64_t monotonicNanoseconds() {
    return queryCounter();
}
