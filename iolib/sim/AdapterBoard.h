// SPDX-License-Identifier: MIT
// The programmer adapter on the parallel port, line by line: the detection answer on status
// bit 7, the serial address register, the serial read-back register, the byte-select, data-drive,
// enable and write-strobe lines, and the flash chip in its socket. Answers depend only on the
// line states and the order of accesses, never on how fast they come.
#ifndef LPTFLASH_SIM_ADAPTERBOARD_H
#define LPTFLASH_SIM_ADAPTERBOARD_H

#include <cstdint>
#include <optional>

#include "protocol/AdapterLines.h"
#include "sim/FlashModel.h"

namespace sim {

enum class BoardKind : std::uint8_t { Korvella, Velmar, None };

class AdapterBoard {
  public:
    // chip may be nullptr: an empty socket, whose bus floats high.
    AdapterBoard(BoardKind kind, FlashModel* chip);

    FlashModel::Change write(PortRegister portRegister, std::uint8_t value, std::int64_t nowNs);
    std::uint8_t read(PortRegister portRegister);

    std::uint32_t addressRegister() const { return address; }

    // A read or write of the chip's bus, as the board performed it.
    struct ChipCycle {
        bool write;
        std::uint32_t address;
        bool lowByte;
        std::uint8_t value;  // read: what the chip answered
    };
    // The chip cycle the last write performed, if it performed one.
    const std::optional<ChipCycle>& lastChipCycle() const { return performed; }

  private:
    void dataWritten(std::uint8_t before, std::int64_t nowNs);
    std::uint8_t status();

    BoardKind kind;
    FlashModel* chip;
    std::uint8_t data = 0;
    std::uint8_t control = 0;
    std::uint32_t address = 0;
    std::uint8_t readBack = 0xFF;
    int statusReadsSinceShiftClockRose = 0;
    std::optional<ChipCycle> performed;
};

}  // namespace sim

#endif
