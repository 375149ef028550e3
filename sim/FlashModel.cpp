#include "sim/FlashModel.h"

#include <algorithm>
#include <utility>

namespace sim {

namespace {

// A chip erase in progress answers every read with its status: DQ7 0 (the complement of the
// erased value), DQ6 and DQ2 toggling from read to read, DQ3 set (the erase has begun).
constexpr std::uint8_t EraseStatus = 0x08;
constexpr std::uint8_t EraseToggleBits = ChipCommand::ToggleBit | 0x04;  // DQ6 and DQ2

}  // namespace

FlashModel::FlashModel(const ChipType& chipType, std::vector<std::uint8_t> contents,
                       std::int64_t eraseTimeNs)
    : type(chipType), memory(std::move(contents)), eraseNs(eraseTimeNs) {
    memory.resize(type.sizeBytes, 0xFF);
}

void FlashModel::finishErase(std::int64_t nowNs) {
    if (current == Mode::Erasing && nowNs - eraseStartNs >= eraseNs) {
        current = Mode::ReadArray;
    }
}

std::size_t FlashModel::offsetOf(std::uint32_t address, bool lowByte) const {
    if (type.busWidth == 16) {
        const std::size_t words = type.sizeBytes / 2;
        return (address % words) * 2 + (lowByte ? 0 : 1);
    }
    return address % type.sizeBytes;
}

std::uint8_t FlashModel::autoselectByte(std::uint32_t address, bool lowByte) const {
    std::uint16_t code = 0;  // address 2, sector protection: unprotected; others read 0
    switch (address & 0xFF) {
        case 0x00:
            code = type.manufacturer;
            break;
        case 0x01:
            code = type.device;
            break;
        case 0x0E:
            code = type.hasExtendedCodes ? type.extended14 : 0;
            break;
        case 0x0F:
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
    finishErase(nowNs);
    switch (current) {
        case Mode::Erasing:
            toggle = !toggle;
            return lowByte ? static_cast<std::uint8_t>(EraseStatus | (toggle ? EraseToggleBits : 0))
                           : 0x00;
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
    finishErase(nowNs);
    if (current == Mode::Erasing) {
        return Change::None;  // a running erase ignores every write, reset included
    }
    if (current == Mode::ProgramSetUp) {
        current = Mode::ReadArray;
        std::uint8_t& cell = memory[offsetOf(address, lowByte)];
        cell = static_cast<std::uint8_t>(cell & value);  // programming only clears bits
        return Change::Programmed;
    }
    if (!lowByte) {
        current = Mode::ReadArray;  // commands travel on the low lane
        tracker.clear();
        return Change::None;
    }
    return command(address, value, nowNs);
}

FlashModel::Change FlashModel::command(std::uint32_t address, std::uint8_t value,
                                       std::int64_t nowNs) {
    current = Mode::ReadArray;  // reset, and where any unexpected cycle leads
    if (value == ChipCommand::ResetCode) {
        tracker.clear();
        return Change::None;
    }
    const ChipCommand::Sequence* completed = tracker.take(address, value).completed;
    if (completed == &ChipCommand::AutoselectCommand) {
        current = Mode::Autoselect;
    } else if (completed == &ChipCommand::ProgramCommand) {
        current = Mode::ProgramSetUp;
    } else if (completed == &ChipCommand::ChipEraseCommand) {
        current = Mode::Erasing;
        eraseStartNs = nowNs;
        toggle = false;
        std::fill(memory.begin(), memory.end(), 0xFF);
        return Change::Erased;
    }
    return Change::None;
}

}  // namespace sim
