// SPDX-License-Identifier: MIT
// What the program's layers add to a port operation: the whole stack (virtual modifyPort, the
// shadow, the entry table) against calls straight into the same library function, for one
// write, one byte shifted in and one 24-bit address shifted out. The library is linked here
// directly and also loaded by the driver as "io": the loader hands both the same code.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "driver/ProgrammerDriver.h"
#include "flash/FlashChip.h"
#include "portio/PortIoLibrary.h"
#include "support/HandDrivenLines.h"
#include "support/SharedDriver.h"

namespace {

constexpr short DataPort = 888;
constexpr std::uint32_t Address = 0x5A5A55;  // both bit values, in runs of one and two

void countPortOperations(benchmark::State& state, double perIteration) {
    state.counters["port_op"] = benchmark::Counter(
        perIteration, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

ProgrammerDriver* driverOrSkip(benchmark::State& state) {
    ProgrammerDriver* driver = sharedDriver();
    if (driver == nullptr) {
        state.SkipWithError("the port I/O library \"io\" is not usable");
    }
    return driver;
}

// Straight into the library as linked, through the loader's stub, as a program that links it.
struct LinkedLibrary {
    void out(short port, char value) { PortOut(port, value); }
    char in(short port) { return PortIn(port); }
};

// The baselines: the same port writes and reads as the driver's, by hand, with no layer between.

void portWriteDirect(benchmark::State& state) {
    HandDrivenLines<LinkedLibrary> lines{LinkedLibrary{}};
    std::uint8_t data = 0;
    for (auto _ : state) {
        data = static_cast<std::uint8_t>(data ^ DataLine::ShiftClock);
        lines.modify(PortRegister::Data, writeExactly(data));
    }
    countPortOperations(state, 1);
}

void shiftInByteDirect(benchmark::State& state) {
    HandDrivenLines<LinkedLibrary> lines{LinkedLibrary{}};
    for (auto _ : state) {
        benchmark::DoNotOptimize(lines.shiftInByte());
    }
    countPortOperations(state, ShiftInByteOperations);
}

void shiftOut24Direct(benchmark::State& state) {
    HandDrivenLines<LinkedLibrary> lines{LinkedLibrary{}};
    for (auto _ : state) {
        lines.shiftOut(Address, 24);
    }
    countPortOperations(state, shiftOutOperations(24));
}

// Through the program's layers.

void portWriteEntryTable(benchmark::State& state) {
    if (driverOrSkip(state) == nullptr) {
        return;
    }
    std::uint8_t data = 0;
    for (auto _ : state) {
        data = static_cast<std::uint8_t>(data ^ DataLine::ShiftClock);
        portIoLibrary.PortOut(DataPort, static_cast<char>(data));
    }
    countPortOperations(state, 1);
}

void portWriteDriver(benchmark::State& state) {
    ProgrammerDriver* driver = driverOrSkip(state);
    if (driver == nullptr) {
        return;
    }
    bool high = false;
    for (auto _ : state) {
        high = !high;
        driver->modifyPort(PortRegister::Data,
                           high ? setBits(DataLine::ShiftClock) : clearBits(DataLine::ShiftClock));
    }
    countPortOperations(state, 1);
}

void portWriteFlashChip(benchmark::State& state) {
    ProgrammerDriver* driver = driverOrSkip(state);
    if (driver == nullptr) {
        return;
    }
    FlashChip chip(driver);
    bool high = false;
    for (auto _ : state) {
        high = !high;
        chip.modifyData(high ? setBits(DataLine::ShiftClock) : clearBits(DataLine::ShiftClock));
    }
    countPortOperations(state, 1);
}

void shiftInByteDriver(benchmark::State& state) {
    ProgrammerDriver* driver = driverOrSkip(state);
    if (driver == nullptr) {
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(driver->shiftInByte());
    }
    countPortOperations(state, ShiftInByteOperations);
}

void shiftOut24Driver(benchmark::State& state) {
    ProgrammerDriver* driver = driverOrSkip(state);
    if (driver == nullptr) {
        return;
    }
    for (auto _ : state) {
        driver->shiftOut(Address, 24);
    }
    countPortOperations(state, shiftOutOperations(24));
}

BENCHMARK(portWriteDirect)->Name("portWrite/direct");
BENCHMARK(portWriteEntryTable)->Name("portWrite/entryTable");
BENCHMARK(portWriteDriver)->Name("portWrite/driver");
BENCHMARK(portWriteFlashChip)->Name("portWrite/flashChip");
BENCHMARK(shiftInByteDirect)->Name("shiftInByte/direct");
BENCHMARK(shiftInByteDriver)->Name("shiftInByte/driver");
BENCHMARK(shiftOut24Direct)->Name("shiftOut24/direct");
BENCHMARK(shiftOut24Driver)->Name("shiftOut24/driver");

}  // namespace
