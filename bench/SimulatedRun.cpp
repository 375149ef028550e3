// The program's complete run on the simulated adapter and chip: the real test sequence, flash
// layer and driver. The program's counter is replaced by one that makes every fixed wait end
// at its first check (300 s of them per run, timed separately by the delay benchmark), so the
// CPU time per run is what the program and the simulator spend besides the waits.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>

#include "ProgramRun.h"
#include "app/TestRun.h"
#include "portio/PortIoLibrary.h"
#include "support/SharedDriver.h"
#include "support/StdoutSilencer.h"
#include "support/SteppingCounter.h"
#include "support/WaitSummingDriver.h"

namespace {

// The simulator reads these at its first port operation, when the shared driver is made.
void configureSimulator() {
    static const TemporaryFolder folder;
    setenv("LPTIO_SIM_IMAGE", folder.file("chip.img").c_str(), 1);
    // With no time passing in the erase wait, the simulated chip must not still be busy.
    setenv("LPTIO_SIM_ERASE_MS", "0", 1);
}

struct RunTraffic {
    std::uint64_t writes = 0;
    std::uint64_t reads = 0;
    std::uint64_t waits = 0;
    std::uint64_t chipWaitUs = 0;
};

RunTraffic counted;
PortOutEntry realPortOut;
PortInEntry realPortIn;

void PORTIO_CALL countingPortOut(short port, char value) {
    ++counted.writes;
    realPortOut(port, value);
}

char PORTIO_CALL countingPortIn(short port) {
    ++counted.reads;
    return realPortIn(port);
}

int silentRun(ProgrammerDriver* driver) {
    const StdoutSilencer silence;
    return runTestSequence(driver);
}

// One run with counters put between the driver and the library: an untimed pass of its own,
// so that counting costs the timed runs nothing.
RunTraffic countTraffic(ProgrammerDriver* real) {
    WaitSummingDriver driver(real);
    realPortOut = portIoLibrary.PortOut;
    realPortIn = portIoLibrary.PortIn;
    portIoLibrary.PortOut = countingPortOut;
    portIoLibrary.PortIn = countingPortIn;
    counted = {};
    const std::uint64_t counterReadsBefore = steppingCounterReads();
    silentRun(&driver);
    counted.waits = (steppingCounterReads() - counterReadsBefore) / 2;
    counted.chipWaitUs = driver.waitedUs;
    portIoLibrary.PortOut = realPortOut;
    portIoLibrary.PortIn = realPortIn;
    return counted;
}

void completeRun(benchmark::State& state) {
    configureSimulator();
    ProgrammerDriver* driver = sharedDriver();
    if (driver == nullptr) {
        state.SkipWithError("the simulator library \"io\" is not usable");
        return;
    }
    const RunTraffic perRun = countTraffic(driver);
    int exitCodes = 0;
    {
        const StdoutSilencer silence;
        for (auto _ : state) {
            exitCodes |= runTestSequence(driver);
        }
    }
    if (exitCodes != 0) {
        state.SkipWithError("the simulated run did not complete");
        return;
    }
    using benchmark::Counter;
    state.counters["port_writes"] = static_cast<double>(perRun.writes);
    state.counters["port_reads"] = static_cast<double>(perRun.reads);
    state.counters["waits"] = static_cast<double>(perRun.waits);
    state.counters["chip_waits_s"] = static_cast<double>(perRun.chipWaitUs) / 1e6;
    state.counters["per_port_op"] = Counter(static_cast<double>(perRun.writes + perRun.reads),
                                            Counter::kIsIterationInvariantRate | Counter::kInvert);
}

BENCHMARK(completeRun)->Unit(benchmark::kMicrosecond);

}  // namespace
