// SPDX-License-Identifier: MIT
// A parallel NOR flash chip with the common unlock-cycle command set, at the level of its bus:
// one read or one write of one byte lane at an address. Contents are the chip image: for a
// 16-bit chip the word at address a is bytes 2a (low) and 2a+1 (high).
#ifndef LPTFLASH_SIM_FLASHMODEL_H
#define LPTFLASH_SIM_FLASHMODEL_H

#include <cstdint>
#include <vector>

#include "protocol/ChipCommandSet.h"
#include "sim/ChipCatalog.h"

namespace sim {

// Which embedded operation always fails, for the failure paths of status polling. A failed
// operation sets DQ5 once its time is up and keeps showing status until a reset.
enum class FailMode : std::uint8_t {
    None,
    Erase,    // the chip's last byte is left 0x00, so a blank check fails too
    Program,  // bit 0 never programs: a byte keeps the 1 it had there
};

class FlashModel {
  public:
    // What a write did to the contents, so that the owner can keep the image file in step.
    enum class Change : std::uint8_t { None, Erased, Programmed };

    // contents must hold type.sizeBytes bytes.
    FlashModel(const ChipType& type, std::vector<std::uint8_t> contents, std::int64_t eraseNs,
               FailMode fail = FailMode::None);

    // lowByte: the byte-select line's choice of byte lane. An 8-bit chip has only the low lane;
    // the high one floats and reads 0xFF.
    std::uint8_t read(std::uint32_t address, bool lowByte, std::int64_t nowNs);
    Change write(std::uint32_t address, bool lowByte, std::uint8_t value, std::int64_t nowNs);

    const std::vector<std::uint8_t>& contents() const { return memory; }
    // The offset in contents of the byte the last Programmed change wrote.
    std::size_t programmedOffset() const { return programmed; }

  private:
    // Mid-command states, and the program command's wait for its data, are the tracker's. Busy: an
    // erase or a program runs, and every read gives status; Failed: one outlasted its limit, and
    // status stays until a reset.
    enum class Mode : std::uint8_t { ReadArray, Autoselect, Busy, Failed };

    void start(std::int64_t nowNs, std::int64_t durationNs, bool fails, std::uint8_t steadyBits,
               std::uint8_t toggleBits);
    void advance(std::int64_t nowNs);
    std::uint8_t status();
    Change program(std::uint32_t address, bool lowByte, std::uint8_t value, std::int64_t nowNs);
    std::size_t offsetOf(std::uint32_t address, bool lowByte) const;
    std::uint8_t autoselectByte(std::uint32_t address, bool lowByte) const;

    const ChipType& type;
    std::vector<std::uint8_t> memory;
    std::int64_t eraseNs;
    FailMode fail;
    Mode current = Mode::ReadArray;
    ChipCommand::Tracker tracker;
    // The running operation: when it ends, whether it then fails, and its status bits
    std::int64_t busyUntilNs = 0;
    bool failsAtEnd = false;
    std::uint8_t statusSteady = 0;
    std::uint8_t statusToggles = 0;
    bool toggle = false;
    std::size_t programmed = 0;
};

}  // namespace sim

#endif
