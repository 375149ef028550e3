// SPDX-License-Identifier: MIT
// The program's complete run: the real test sequence, flash layer and driver, on the simulated
// adapter and chip. The program's counter is replaced by one that makes every fixed wait end at
// its first check (300 s of them per run, timed apart by the delay benchmark), so the CPU time
// per run is what is spent besides the waits. Twice: with the simulator answering, and with
// the simulator's recorded answers replayed by a library that costs next to nothing, which
// leaves the program's own share.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "StdoutCapture.h"
#include "TemporaryFolder.h"
#include "app/TestRun.h"
#include "portio/PortIoLibrary.h"
#include "support/SharedDriver.h"
#include "support/SteppingCounter.h"
#include "support/WaitSummingDriver.h"

namespace {

// Puts two entry points in the program's table for its lifetime.
class EntryTableSwap {
  public:
    EntryTableSwap(PortOutEntry portOut, PortInEntry portIn)
        : savedOut(portIoLibrary.PortOut), savedIn(portIoLibrary.PortIn) {
        portIoLibrary.PortOut = portOut;
        portIoLibrary.PortIn = portIn;
    }
    ~EntryTableSwap() {
        portIoLibrary.PortOut = savedOut;
        portIoLibrary.PortIn = savedIn;
    }
    EntryTableSwap(const EntryTableSwap&) = delete;
    EntryTableSwap& operator=(const EntryTableSwap&) = delete;

    PortOutEntry savedOut;
    PortInEntry savedIn;
};

// What one run did at the port.
struct RunRecord {
    std::uint64_t writes = 0;
    std::vector<char> answers;  // every port read's value, in order
    std::uint64_t waits = 0;
    std::uint64_t chipWaitUs = 0;
    bool complete = false;
};

RunRecord record;
const EntryTableSwap* recorder;

void PORTIO_CALL recordingPortOut(short port, char value) {
    ++record.writes;
    recorder->savedOut(port, value);
}

char PORTIO_CALL recordingPortIn(short port) {
    const char value = recorder->savedIn(port);
    record.answers.push_back(value);
    return value;
}

std::size_t nextAnswer = 0;
volatile char lastWritten;

void PORTIO_CALL replayPortOut(short, char value) {
    lastWritten = value;
}

char PORTIO_CALL replayPortIn(short) {
    const char value = record.answers[nextAnswer];
    nextAnswer = (nextAnswer + 1) % record.answers.size();  // the next run starts over
    return value;
}

int silentRun(ProgrammerDriver* driver) {
    const StdoutCapture silence("/dev/null");
    return runTestSequence(driver);
}

// The driver on the simulator, set up by what it reads at its first port operation; and one
// run of it recorded, untimed.
ProgrammerDriver* recordedDriver() {
    static ProgrammerDriver* const driver = [] {
        static const TemporaryFolder folder;
        setenv("LPTIO_SIM_IMAGE", folder.file("chip.img").c_str(), 1);
        // With no time passing in the erase wait, the simulated chip must not still be busy.
        setenv("LPTIO_SIM_ERASE_MS", "0", 1);
        ProgrammerDriver* shared = sharedDriver();
        if (shared != nullptr) {
            WaitSummingDriver summing(shared);
            const EntryTableSwap swap(recordingPortOut, recordingPortIn);
            recorder = &swap;
            const std::uint64_t counterReadsBefore = steppingCounterReads();
            record.complete = silentRun(&summing) == 0;
            record.waits = (steppingCounterReads() - counterReadsBefore) / 2;
            record.chipWaitUs = summing.waitedUs;
        }
        return shared;
    }();
    return driver;
}

void runRepeatedly(benchmark::State& state, ProgrammerDriver* driver) {
    int exitCodes = 0;
    {
        const StdoutCapture silence("/dev/null");
        for (auto _ : state) {
            exitCodes |= runTestSequence(driver);
        }
    }
    if (exitCodes != 0) {
        state.SkipWithError("a run did not complete");
        return;
    }
    using benchmark::Counter;
    const auto operations = static_cast<double>(record.writes + record.answers.size());
    state.counters["port_writes"] = static_cast<double>(record.writes);
    state.counters["port_reads"] = static_cast<double>(record.answers.size());
    state.counters["waits"] = static_cast<double>(record.waits);
    state.counters["chip_waits_s"] = static_cast<double>(record.chipWaitUs) / 1e6;
    state.counters["per_port_op"] =
        Counter(operations, Counter::kIsIterationInvariantRate | Counter::kInvert);
}

bool recordedOrSkip(benchmark::State& state) {
    if (recordedDriver() == nullptr) {
        state.SkipWithError("the simulator library \"io\" is not usable");
        return false;
    }
    if (!record.complete) {
        state.SkipWithError("the recorded run on the simulator did not complete");
        return false;
    }
    return true;
}

void onSimulator(benchmark::State& state) {
    if (recordedOrSkip(state)) {
        runRepeatedly(state, recordedDriver());
    }
}

void replayed(benchmark::State& state) {
    if (recordedOrSkip(state)) {
        const EntryTableSwap swap(replayPortOut, replayPortIn);
        nextAnswer = 0;
        runRepeatedly(state, recordedDriver());
    }
}

BENCHMARK(onSimulator)->Name("completeRun/simulator")->Unit(benchmark::kMicrosecond);
BENCHMARK(replayed)->Name("completeRun/replayed")->Unit(benchmark::kMicrosecond);

}  // namespace
