// SPDX-License-Identifier: MIT
// lptflash's chip operations on the simulated adapter and chip, through the real driver and flash
// layer: bytes per second and port accesses per byte of read (fast and careful), verify, blank
// check and byte program. Each chip is a private copy of the simulator with its own image; the
// driver's port entries are pointed at it and counted on the way.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TemporaryFolder.h"
#include "driver/Korvella4v4.h"
#include "flash/ChipOperations.h"
#include "portio/PortIoLibrary.h"
#include "support/PrivatePortLibrary.h"

namespace {

constexpr std::uint32_t BlockBytes = 16384;
// The simulator saves its whole image after every program: a few per iteration keep a brief
// run brief.
constexpr std::uint32_t ProgramsPerIteration = 32;

// The simulator copy that answers now, and the accesses made through it.
PortEntries current;
std::uint64_t accesses = 0;

void PORTIO_CALL countedOut(short port, char value) {
    ++accesses;
    current.portOut(port, value);
}
char PORTIO_CALL countedIn(short port) {
    ++accesses;
    return current.portIn(port);
}

struct Setup {
    TemporaryFolder folder;
    std::map<std::string, std::unique_ptr<PrivatePortLibrary>> chips;
    std::unique_ptr<Korvella4v4> driver;
};

// The driver on the linked simulator (its image in a scratch folder), then one private copy per
// chip. Null when something is missing, with the reason in problem.
FlashChip* chipOn(const char* name, std::string& problem) {
    static Setup setup;
    if (setup.driver == nullptr) {
        setenv("LPTIO_SIM_IMAGE", setup.folder.file("linked.img").c_str(), 1);
        setup.driver = std::make_unique<Korvella4v4>(888);
    }
    auto& library = setup.chips[name];
    if (library == nullptr) {
        library = std::make_unique<PrivatePortLibrary>(
            LPTFLASH_SIMULATOR_LIBRARY, setup.folder.path() + "/",
            std::map<std::string, std::string>{
                {"LPTIO_SIM_CHIP", name},
                {"LPTIO_SIM_IMAGE", setup.folder.file(std::string(name) + ".img")}});
        std::filesystem::remove(setup.folder.file("libio.so"));
    }
    problem = library->problem();
    if (!problem.empty()) {
        return nullptr;
    }
    current = library->entries();
    portIoLibrary.PortOut = countedOut;
    portIoLibrary.PortIn = countedIn;
    static FlashChip chip(setup.driver.get());
    if (chip.detectHardware() != 2) {
        problem = "the simulated adapter did not answer";
        return nullptr;
    }
    return &chip;
}

struct Operation {
    const char* chip;
    bool careful = false;
    enum Kind { Read, Verify, Blank, Program } kind = Read;
};

void run(benchmark::State& state, Operation operation) {
    std::string problem;
    FlashChip* chip = chipOn(operation.chip, problem);
    if (chip == nullptr) {
        state.SkipWithError(problem.c_str());
        return;
    }
    const protocol::ChipType& type = *chipNamed(operation.chip);
    const bool wide = type.busWidth == 16;
    std::vector<std::uint8_t> block(BlockBytes), expected(BlockBytes, 0xFF);
    std::uint32_t offset = 0;
    std::uint64_t differences = 0;
    beginArrayRead(*chip);
    accesses = 0;
    for (auto _ : state) {
        if (operation.kind == Operation::Program) {
            // Bits only cleared: after the first pass each program finds its byte already 0x00.
            for (std::uint32_t i = 0; i < ProgramsPerIteration; ++i) {
                benchmark::DoNotOptimize(programByte(*chip, offset + i, 0x00, type.programMaxUs));
            }
        } else {
            readArray(*chip, wide ? offset / 2 : offset, wide ? BlockBytes / 2 : BlockBytes, wide,
                      operation.careful, block.data());
            if (operation.kind != Operation::Read) {
                differences += !std::equal(block.begin(), block.end(), expected.begin());
            }
        }
        offset = (offset + BlockBytes) % type.sizeBytes;
    }
    chip->endAccess();
    benchmark::DoNotOptimize(differences);
    const std::uint32_t perIteration =
        operation.kind == Operation::Program ? ProgramsPerIteration : BlockBytes;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * perIteration);
    state.counters["accesses_per_byte"] =
        static_cast<double>(accesses) / static_cast<double>(state.iterations() * perIteration);
}

BENCHMARK_CAPTURE(run, read_16bit, Operation{"S29GL128P"})->Name("read/16-bit");
BENCHMARK_CAPTURE(run, read_8bit, Operation{"Am29F040B"})->Name("read/8-bit");
BENCHMARK_CAPTURE(run, careful_16bit, Operation{"S29GL128P", true})->Name("read-careful/16-bit");
BENCHMARK_CAPTURE(run, careful_8bit, Operation{"Am29F040B", true})->Name("read-careful/8-bit");
BENCHMARK_CAPTURE(run, verify_16bit, Operation{"S29GL128P", false, Operation::Verify})
    ->Name("verify/16-bit");
BENCHMARK_CAPTURE(run, blank_8bit, Operation{"Am29F040B", false, Operation::Blank})
    ->Name("blank/8-bit");
BENCHMARK_CAPTURE(run, write_8bit, Operation{"Am29F040B", false, Operation::Program})
    ->Name("write/8-bit");

}  // namespace
