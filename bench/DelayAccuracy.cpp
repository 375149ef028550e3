// SPDX-License-Identifier: MIT
// How close the driver's busy wait comes to what it is asked for, timed by a stopwatch that
// shares nothing with the counter the wait itself reads.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "os/MonotonicClock.h"
#include "support/ContextSwitches.h"
#include "support/ErrorSummary.h"
#include "support/ReferenceClock.h"
#include "support/SharedDriver.h"

namespace {

const ReferenceClock& referenceClock() {
    static const ReferenceClock clock;
    return clock;
}

// What one read of the program's counter costs, in the way the driver measures it (ticks
// between two back-to-back reads), as a median so that one preemption does not count.
double counterReadNs() {
    std::vector<std::int64_t> spans(10001);
    for (auto& span : spans) {
        const std::int64_t first = queryCounter();
        span = queryCounter() - first;
    }
    std::nth_element(spans.begin(), spans.begin() + spans.size() / 2, spans.end());
    return static_cast<double>(spans[spans.size() / 2]) * 1e9 /
           static_cast<double>(queryCounterFrequency());
}

void delayAccuracy(benchmark::State& state) {
    ProgrammerDriver* driver = sharedDriver();
    if (driver == nullptr) {
        state.SkipWithError("the port I/O library \"io\" is not usable");
        return;
    }
    const ReferenceClock& clock = referenceClock();
    const auto askedUs = static_cast<std::uint32_t>(state.range(0));
    const double askedNs = askedUs * 1000.0;
    const double readNs = counterReadNs();

    std::vector<double> errorsNs;
    errorsNs.reserve(static_cast<std::size_t>(state.max_iterations));
    const std::int64_t switchesBefore = involuntaryContextSwitches();
    for (auto _ : state) {
        const std::uint64_t begin = ReferenceClock::now();
        driver->delayUs(askedUs);
        const std::uint64_t end = ReferenceClock::now();
        errorsNs.push_back(clock.nanoseconds(end - begin) - clock.bracketNs() - askedNs);
    }
    const std::int64_t switches = involuntaryContextSwitches() - switchesBefore;

    // Ending early by up to one counter read is the wait's design: it takes that read's cost
    // off every wait.
    const ErrorSummary errors = summariseErrors(std::move(errorsNs), readNs);
    state.counters["err_min_ns"] = errors.minNs;
    state.counters["err_median_ns"] = errors.medianNs;
    state.counters["err_p99_ns"] = errors.p99Ns;
    state.counters["err_max_ns"] = errors.maxNs;
    state.counters["early_pct"] = errors.earlyPercent;
    state.counters["earliest_ns"] = errors.earliestNs;
    state.counters["early_beyond_read"] = static_cast<double>(errors.earlyBeyond);
    state.counters["counter_read_ns"] = readNs;
    state.counters["preempted"] = static_cast<double>(switches);
}

BENCHMARK(delayAccuracy)
    ->ArgName("us")
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(15000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
