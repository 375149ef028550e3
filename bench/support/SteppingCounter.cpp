// SPDX-License-Identifier: MIT
#include "SteppingCounter.h"

#include "os/MonotonicClock.h"

namespace {

// Larger than any wait in ticks (the 300 s erase is 300), so that the cost of one read, which
// the driver takes off every wait, already covers it.
constexpr std::int64_t StepTicks = 1000;

std::int64_t ticks = 0;
std::uint64_t reads = 0;

}  // namespace

std::int64_t queryCounterFrequency() {
    return 1;
}

std::int64_t queryCounter() {
    ++reads;
    ticks += StepTicks;
    return ticks;
}

std::uint64_t steppingCounterReads() {
    return reads;
}
