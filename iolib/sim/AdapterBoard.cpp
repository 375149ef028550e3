// SPDX-License-Identifier: MIT
#include "sim/AdapterBoard.h"

namespace sim {

AdapterBoard::AdapterBoard(BoardKind boardKind, FlashModel* socket)
    : kind(boardKind), chip(socket) {}

FlashModel::Change AdapterBoard::write(PortRegister portRegister, std::uint8_t value,
                                       std::int64_t nowNs) {
    performed.reset();
    if (portRegister == PortRegister::Data) {
        const std::uint8_t before = data;
        data = value;
        dataWritten(before, nowNs);
        return FlashModel::Change::None;
    }
    if (portRegister != PortRegister::Control) {
        return FlashModel::Change::None;
    }
    const std::uint8_t before = control;
    control = value;
    // The strobe idles set and stays clear between the cycles of an access, so the first write
    // of an access has no rising edge at all: the falling edge is the one every write shares.
    const bool strobe = fell(before, control, ControlLine::WriteStrobe);
    const bool driving = (control & (ControlLine::Enable | ControlLine::DataDrive)) ==
                         (ControlLine::Enable | ControlLine::DataDrive);
    if (strobe && driving && chip != nullptr) {
        performed = ChipCycle{true, address, (control & ControlLine::ByteSelect) != 0, data};
        return chip->write(address, (control & ControlLine::ByteSelect) != 0, data, nowNs);
    }
    return FlashModel::Change::None;
}

void AdapterBoard::dataWritten(std::uint8_t before, std::int64_t nowNs) {
    if (rose(before, data, DataLine::ShiftClock)) {
        statusReadsSinceShiftClockRose = 0;
    }
    if ((control & ControlLine::DataDrive) != 0) {
        return;  // the data lines carry a byte for the chip, not clocks
    }
    const bool bitHigh = (data & DataLine::ShiftBit) != 0;
    if (rose(before, data, DataLine::ShiftClock)) {
        address = ((address << 1) | (bitHigh ? 1u : 0u)) & 0xFFFFFF;
    }
    if (rose(before, data, DataLine::ReadClock)) {
        if (bitHigh) {
            const bool selected = (control & ControlLine::Enable) != 0 && chip != nullptr;
            readBack = selected
                           ? chip->read(address, (control & ControlLine::ByteSelect) != 0, nowNs)
                           : 0xFF;
            if (selected) {
                performed =
                    ChipCycle{false, address, (control & ControlLine::ByteSelect) != 0, readBack};
            }
        } else {
            readBack = static_cast<std::uint8_t>(readBack << 1);
        }
    }
}

std::uint8_t AdapterBoard::read(PortRegister portRegister) {
    switch (portRegister) {
        case PortRegister::Data:
            return data;
        case PortRegister::Control:
            return control;
        case PortRegister::Status:
            return status();
        default:
            return 0xFF;
    }
}

std::uint8_t AdapterBoard::status() {
    if (kind == BoardKind::None) {
        return StatusLine::ReadBack;  // nothing drives the lines: no answer, read-back idle high
    }
    const bool enabled = (control & ControlLine::Enable) != 0;
    const bool clockHigh = (data & DataLine::ShiftClock) != 0;
    bool presence = enabled && !clockHigh;
    if (kind == BoardKind::Velmar) {
        // This board drops its answer one status read after the shift clock rises.
        presence = enabled && (!clockHigh || statusReadsSinceShiftClockRose == 0);
    }
    ++statusReadsSinceShiftClockRose;
    const bool readBackBit = (readBack & 0x80) != 0;
    return static_cast<std::uint8_t>((presence ? StatusLine::Presence : 0) |
                                     (readBackBit ? 0 : StatusLine::ReadBack));
}

}  // namespace sim
