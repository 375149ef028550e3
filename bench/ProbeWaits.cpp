// SPDX-License-Identifier: MIT
// How late the detection probe's waits end as the port sees them. flashtest and a plain C
// program making the same calls (stampio/ProbeInC.c) take turns on a port library that stamps
// every call with CLOCK_MONOTONIC as it is made; a wait's lateness is the time between the
// stamps of the port calls around it, less what was asked. One iteration runs each once.
// FLASHTEST=path measures another build of the program (for example build/default/bin/flashtest).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "ChildProgram.h"
#include "TemporaryFolder.h"

namespace {

struct PortCall {
    std::int64_t ns = 0;
    bool isRead = false;
    unsigned port = 0;
    unsigned value = 0;
};

std::vector<PortCall> readStamps(const std::string& path) {
    std::vector<PortCall> calls;
    std::ifstream file(path);
    PortCall call;
    std::string kind;
    while (file >> call.ns >> kind >> call.port >> std::hex >> call.value >> std::dec) {
        call.isRead = kind == "in";
        calls.push_back(call);
    }
    return calls;
}

struct ProbeLateness {
    double after15ms = 0;
    double after1us = 0;
    double after10us = 0;
};

// The probe: enable raised (control 0x04), a sample, data bit 0 raised, two samples.
bool findProbe(const std::vector<PortCall>& calls, ProbeLateness& late) {
    for (std::size_t i = 0; i + 4 < calls.size(); ++i) {
        const PortCall* c = &calls[i];
        if (!c[0].isRead && c[0].value == 0x04 && c[1].isRead && !c[2].isRead &&
            c[2].port + 2 == c[0].port && c[2].value == 0x01 && c[3].isRead && c[4].isRead) {
            late.after15ms = static_cast<double>(c[1].ns - c[0].ns) - 15e6;
            late.after1us = static_cast<double>(c[3].ns - c[2].ns) - 1e3;
            late.after10us = static_cast<double>(c[4].ns - c[3].ns) - 10e3;
            return true;
        }
    }
    return false;
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return NAN;
    }
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// A 15 ms wait that ends this late lost the processor to other work during it: the calls after
// it then start from cold caches, and its own lateness is the other work's, not the wait's.
constexpr double LostProcessorNs = 20e3;

void report(benchmark::State& state, const std::string& suffix,
            const std::vector<ProbeLateness>& runs) {
    std::vector<double> after15ms, after1us, after10us, after1usAll;
    for (const ProbeLateness& run : runs) {
        after1usAll.push_back(run.after1us);
        if (run.after15ms < LostProcessorNs) {
            after15ms.push_back(run.after15ms);
            after1us.push_back(run.after1us);
            after10us.push_back(run.after10us);
        }
    }
    state.counters["late15ms" + suffix] = median(after15ms);
    state.counters["late1us" + suffix] = median(after1us);
    state.counters["late10us" + suffix] = median(after10us);
    state.counters["late1us_all" + suffix] = median(after1usAll);
    state.counters["kept_pct" + suffix] =
        runs.empty() ? 0.0 : 100.0 * static_cast<double>(after15ms.size()) / runs.size();
}

void probeWaits(benchmark::State& state) {
    TemporaryFolder folder;
    const char* otherBuild = std::getenv("FLASHTEST");
    ProgramRun runs[2];
    runs[0].program = otherBuild != nullptr ? otherBuild : LPTFLASH_FLASHTEST;
    runs[1].program = LPTFLASH_PLAIN_PROBE;
    for (ProgramRun& run : runs) {
        run.environment = {{"LD_LIBRARY_PATH", LPTFLASH_STAMPING_LIBRARY_DIR},
                           {"LPTFLASH_STAMP_FILE", folder.file("stamps")},
                           {"LPTFLASH_STAMP_STATUS", ""}};
    }
    std::vector<ProbeLateness> lateness[2];
    std::size_t turn = 0;
    for (auto _ : state) {
        for (std::size_t k = 0; k < 2; ++k) {
            const std::size_t which = (turn + k) % 2;  // take turns at going first
            const ProgramResult result = runProgram(runs[which]);
            ProbeLateness late;
            if (result.exitCode < 0 || !findProbe(readStamps(folder.file("stamps")), late)) {
                state.SkipWithError(("no detection probe from " + runs[which].program).c_str());
                return;
            }
            lateness[which].push_back(late);
        }
        ++turn;
    }
    report(state, "", lateness[0]);
    report(state, "_c", lateness[1]);
}

BENCHMARK(probeWaits)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
