// SPDX-License-Identifier: MIT
// The busy wait, in a file of its own so that it can be laid out for the cache (see
// CMakeLists.txt).
#include "driver/Korvella4v4.h"
#include "os/MonotonicClock.h"

void Korvella4v4::delayUs(std::uint32_t microseconds) {
    const std::int64_t ticks = static_cast<std::int64_t>(static_cast<std::uint64_t>(microseconds)) *
                               counterFrequency / 1000000;
    const std::int64_t target = ticks - static_cast<std::int64_t>(counterOverhead);
    const std::int64_t start = queryCounter();
    while (queryCounter() - start < target) {
    }
}
