// SPDX-License-Identifier: MIT
#include "sim/FlashModel.h"

#include <algorithm>
#include <utility>

namespace sim {

namespace {

// A chip erase in progress answers every read with its status: DQ7 0 (the complement of the
// erased value), DQ6 and DQ2 toggling from read to read, DQ3 set (the erase has begun). A
// program shows only DQ7 and DQ6.
constexpr std::uint8_t EraseStatus = 0x08;
constexpr std::uint8_t EraseToggleBits = ChipCommand::ToggleBit | 0x04;  // DQ6 and DQ2
constexpr std::uint8_t StuckBit = 0x01;  // FailMode::Program: the bit that never programs

}  // namespace

FlashModel::FlashModel(const ChipType& chipType, std::vector<std::uint8_t> contents,
                       std::int64_t eraseTimeNs, FailMode failMode)
    : type(chipType), memory(std::move(contents)), eraseNs(eraseTimeNs), fail(failMode) {
    memory.resize(type.sizeBytes, 0xFF);
}

void FlashModel::start(std::int64_t nowNs, std::int64_t durationNs, bool fails,
                       std::uint8_t steadyBits, std::uint8_t toggleBits) {
    current = Mode::Busy;
    busyUntilNs = nowNs + durationNs;
    failsAtEnd = fails;
    statusSteady = steadyBits;
    statusToggles = toggleBits;
    toggle = false;
}

void FlashModel::advance(std::int64_t nowNs) {
    if (current == Mode::Busy && nowNs >= busyUntilNs) {
        current = failsAtEnd ? Mode::Failed : Mode::ReadArray;
    }
}

std::uint8_t FlashModel::status() {
    toggle = !toggle;
    return static_cast<std::uint8_t>(statusSteady | (toggle ? statusToggles : 0) |
                                     (current == Mode::Failed ? ChipCommand::TimeLimitBit : 0));
}

std::size_t FlashModel::offsetOf(std::uint32_t address, bool lowByte) const {
    if (type.busWidth == 16) {
        const std::size_t words = type.sizeBytes / 2;
        return (address % words) * 2 + (lowByte ? 0 : 1);
    }
    return address % type.sizeBytes;
}

std::uint8_t FlashModel::autoselectByte(std::uint32_t address, bool lowByte) const {
    std::uint16_t code = 0;  // sector protection: unprotected; addresses without a code read 0
    switch (ChipCommand::identifierAt(address)) {
        case ChipCommand::Identifier::Manufacturer:
            code = type.manufacturer;
            break;
        case ChipCommand::Identifier::Device:
            code = type.device;
            break;
        case ChipCommand::Identifier::Extended1:
            code = type.hasExtendedCodes ? type.extended14 : 0;
            break;
        case ChipCommand::Identifier::Extended2:
            code = type.hasExtendedCodes ? type.extended15 : 0;
            break;
        default:
            break;
    }
    return static_cast<std::uint8_t>(lowByte ? code & 0xFF : code >> 8);
}

std::uint8_t FlashModel::read(std::uint32_t address, bool lowByte, std::int64_t nowNs) {
    if (type.busWidth == 8 && !lowByte) {
        return 0xFF;
    }
    advance(nowNs);
    switch (current) {
        case Mode::Busy:
        case Mode::Failed:
            return lowByte ? status() : 0x00;
        case Mode::Autoselect:
            return autoselectByte(address, lowByte);
        default:
            return memory[offsetOf(address, lowByte)];
    }
}

FlashModel::Change FlashModel::write(std::uint32_t address, bool lowByte, std::uint8_t value,
                                     std::int64_t nowNs) {
    if (type.busWidth == 8 && !lowByte) {
        return Change::None;  // the high lane is not wired to an 8-bit chip
    }
    advance(nowNs);
    if (current == Mode::Busy) {
        return Change::None;  // a running erase or program ignores every write, reset included
    }
    if (current == Mode::Failed && !(lowByte && value == ChipCommand::ResetCode)) {
        return Change::None;  // only a reset ends a failed one
    }
    const ChipCommand::Tracker::Step step = tracker.take(address, lowByte, value);
    current = Mode::ReadArray;  // reset, and where any unexpected cycle leads
    if (step.kind == ChipCommand::Tracker::Kind::ProgramData) {
        return program(address, lowByte, value, nowNs);
    }
    if (step.completed == &ChipCommand::AutoselectCommand) {
        current = Mode::Autoselect;
    } else if (step.completed == &ChipCommand::ChipEraseCommand) {
        const bool fails = fail == FailMode::Erase;
        start(nowNs, eraseNs, fails, EraseStatus, EraseToggleBits);
        std::fill(memory.begin(), memory.end(), 0xFF);
        if (fails) {
            memory.back() = 0x00;  // a blank check after the failure must find something
        }
        return Change::Erased;
    }
    return Change::None;
}

// A 1 over a 0 cannot be programmed: the chip tries until its maximum time, then sets DQ5.
FlashModel::Change FlashModel::program(std::uint32_t address, bool lowByte, std::uint8_t value,
                                       std::int64_t nowNs) {
    programmed = offsetOf(address, lowByte);
    std::uint8_t& cell = memory[programmed];
    const std::uint8_t written =
        fail == FailMode::Program ? static_cast<std::uint8_t>(value | (cell & StuckBit)) : value;
    const bool fails = fail == FailMode::Program || (value & ~cell) != 0;
    const std::int64_t durationUs = fails ? type.programMaxUs : type.programUs;
    start(nowNs, durationUs * 1000, fails,
          static_cast<std::uint8_t>(~value & ChipCommand::DataPollingBit), ChipCommand::ToggleBit);
    cell = static_cast<std::uint8_t>(cell & written);  // programming only clears bits
    return Change::Programmed;
}

}  // namespace sim
