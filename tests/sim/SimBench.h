// A simulated Korvella+ adapter with the default chip in its socket, driven by LineDriver on a
// clock the test moves.
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

// The board on LPT1, reached as the library's entry points reach it, at time 0.
struct BoardPort {
    sim::AdapterBoard* board;
    void out(short port, char value) {
        board->write(static_cast<PortRegister>(port - 0x378), static_cast<std::uint8_t>(value), 0);
    }
    char in(short port) {
        return static_cast<char>(board->read(static_cast<PortRegister>(port - 0x378)));
    }
};

struct SimBench {
    SimBench()
        : original(scrambledContents(sim::defaultChip().sizeBytes)),
          chip(sim::defaultChip(), original, 1000000),
          board(sim::BoardKind::Korvella, &chip),
          driver(BoardPort{&board}) {
        driver.construct();
        driver.beginAccess();
    }

    std::vector<std::uint8_t> original;
    sim::FlashModel chip;
    sim::AdapterBoard board;
    LineDriver<BoardPort> driver;
};

#endif
