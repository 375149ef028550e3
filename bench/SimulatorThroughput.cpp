// SPDX-License-Identifier: MIT
// How many port operations per second the simulator answers, untraced and with both traces
// written, on the traffic of read cycles (a 24-bit address out, one byte in: 95 writes and
// 8 reads each). Each variant loads a copy of the library of its own, set up by its own
// environment, and drives it by hand so that only the library's cost is seen.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "TemporaryFolder.h"
#include "support/HandDrivenLines.h"
#include "support/PrivatePortLibrary.h"

namespace {

constexpr int ReadCycleOperations = shiftOutOperations(24) + ShiftInByteOperations;

struct SimulatorCopy {
    TemporaryFolder folder;
    std::unique_ptr<PrivatePortLibrary> library;
};

SimulatorCopy& loadSimulator(bool traced) {
    static std::map<bool, SimulatorCopy> copies;
    SimulatorCopy& copy = copies[traced];
    if (copy.library == nullptr) {
        const auto inFolder = [&copy](const char* name) { return copy.folder.file(name); };
        copy.library = std::make_unique<PrivatePortLibrary>(
            LPTFLASH_SIMULATOR_LIBRARY, copy.folder.path(),
            std::map<std::string, std::string>{
                {"LPTIO_SIM_IMAGE", inFolder("chip.img")},
                {"LPTIO_TRACE_VCD", traced ? inFolder("run.vcd") : ""},
                {"LPTIO_TRACE_BUSLOG", traced ? inFolder("run.buslog") : ""}});
    }
    return copy;
}

void readCycles(benchmark::State& state, bool traced) {
    const SimulatorCopy& copy = loadSimulator(traced);
    const PrivatePortLibrary& library = *copy.library;
    if (!library.problem().empty()) {
        state.SkipWithError(library.problem().c_str());
        return;
    }
    HandDrivenLines<PortEntries> lines(library.entries());
    // Inside a chip access, as the program reads.
    lines.beginAccess();
    std::uint32_t address = 0;
    for (auto _ : state) {
        lines.shiftOut(address, 24);
        benchmark::DoNotOptimize(lines.shiftInByte());
        address = (address + 1) & 0xFFFF;
    }
    // Traces are read from the environment: make sure this one was really written.
    std::error_code missing;
    const auto traceSize = std::filesystem::file_size(copy.folder.file("run.vcd"), missing);
    if (traced && (missing || traceSize == 0)) {
        state.SkipWithError("the simulator wrote no trace");
        return;
    }
    state.counters["port_ops"] =
        benchmark::Counter(ReadCycleOperations, benchmark::Counter::kIsIterationInvariantRate);
}

void untraced(benchmark::State& state) {
    readCycles(state, false);
}
void traced(benchmark::State& state) {
    readCycles(state, true);
}

BENCHMARK(untraced)->Name("simulator/untraced");
BENCHMARK(traced)->Name("simulator/traced");

}  // namespace
