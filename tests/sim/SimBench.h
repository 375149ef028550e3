// A simulated adapter with a chip in its socket, driven by LineDriver on a clock the test moves.
#ifndef LPTFLASH_TESTS_SIM_SIMBENCH_H
#define LPTFLASH_TESTS_SIM_SIMBENCH_H

#include <cstdint>
#include <vector>

#include "LineDriver.h"
#include "sim/AdapterBoard.h"
#include "sim/ChipCatalog.h"
#include "sim/FlashModel.h"

// Contents in which every byte differs from its neighbours, so a wrong address or lane shows.
inline std::vector<std::uint8_t> scrambledContents(std::size_t size) {
    std::vector<std::uint8_t> contents(size);
    for (std::size_t i = 0; i < size; ++i) {
        contents[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
    }
    return contents;
}

struct SimBench {
    static constexpr std::int64_t EraseNs = 1000000;

    explicit SimBench(sim::BoardKind kind, const sim::ChipType& type = sim::defaultChip())
        : original(scrambledContents(type.sizeBytes)),
          chip(type, original, EraseNs),
          board(kind, &chip),
          driver([this](std::uint8_t offset, std::uint8_t value) { write(offset, value); },
                 [this](std::uint8_t offset) { return board.read(offset, now); }) {
        driver.construct();
    }

    void write(std::uint8_t offset, std::uint8_t value) {
        changes.push_back(board.write(offset, value, now));
    }
    bool changed() const {
        for (sim::FlashModel::Change change : changes) {
            if (change != sim::FlashModel::Change::None) {
                return true;
            }
        }
        return false;
    }

    std::vector<std::uint8_t> original;
    sim::FlashModel chip;
    sim::AdapterBoard board;
    LineDriver driver;
    std::int64_t now = 0;
    std::vector<sim::FlashModel::Change> changes;
};

#endif
