// SPDX-License-Identifier: MIT
#include "os/MonotonicClock.h"

#include <windows.h>

std::int64_t queryCounterFrequency() {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

std::int64_t queryCounter() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

std::int64_t monotonicNanoseconds() {
    const std::int64_t perSecond = queryCounterFrequency();
    const std::int64_t counter = queryCounter();
    return counter / perSecond * 1000000000 + counter % perSecond * 1000000000 / perSecond;
}
