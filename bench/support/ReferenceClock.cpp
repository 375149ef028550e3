// SPDX-License-Identifier: MIT
// Linux only, like every benchmark. On x86 the time-stamp counter is read directly, without the
// kernel's time conversion that the program's counter goes through; that makes a sound reference
// where the counter runs at a constant rate (constant_tsc and nonstop_tsc in /proc/cpuinfo).
// Elsewhere the raw clock itself is the reference.
#include "ReferenceClock.h"

#include <time.h>

#include <algorithm>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#define LPTFLASH_BENCH_TSC 1
#endif

namespace {

std::int64_t rawNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_RAW, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

struct ClockPair {
    std::int64_t rawNs;
    std::uint64_t ticks;
};

// The raw clock read between two counter readings, in the tightest of several tries, so that a
// preemption during one try cannot skew the calibration.
ClockPair samplePair() {
    ClockPair best{};
    std::uint64_t bestWindow = ~std::uint64_t{0};
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::uint64_t before = ReferenceClock::now();
        const std::int64_t raw = rawNs();
        const std::uint64_t after = ReferenceClock::now();
        if (after - before < bestWindow) {
            bestWindow = after - before;
            best = {raw, before + (after - before) / 2};
        }
    }
    return best;
}

}  // namespace

std::uint64_t ReferenceClock::now() {
#ifdef LPTFLASH_BENCH_TSC
    _mm_lfence();
    const std::uint64_t ticks = __rdtsc();
    _mm_lfence();
    return ticks;
#else
    return static_cast<std::uint64_t>(rawNs());
#endif
}

ReferenceClock::ReferenceClock() {
    // Busy, as the waits it will time: on a virtual machine the counter and the kernel clock
    // can disagree by hundreds of ppm across a stretch in which the processor was halted.
    const ClockPair first = samplePair();
    while (rawNs() - first.rawNs < 100000000) {
    }
    const ClockPair second = samplePair();
    ticksPerNs = static_cast<double>(second.ticks - first.ticks) /
                 static_cast<double>(second.rawNs - first.rawNs);

    std::vector<std::uint64_t> spans(10001);
    for (auto& span : spans) {
        const std::uint64_t begin = now();
        span = now() - begin;
    }
    std::nth_element(spans.begin(), spans.begin() + spans.size() / 2, spans.end());
    bracket = nanoseconds(spans[spans.size() / 2]);
}
