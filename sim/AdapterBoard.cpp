#include "sim/AdapterBoard.h"

#include "porttrace/PortLines.h"

namespace sim {

using porttrace::fell;
using porttrace::rose;
namespace ControlBit = porttrace::ControlBit;
namespace DataBit = porttrace::DataBit;
namespace StatusBit = porttrace::StatusBit;

AdapterBoard::AdapterBoard(BoardKind boardKind, FlashModel* socket)
    : kind(boardKind), chip(socket) {}

FlashModel::Change AdapterBoard::write(std::uint8_t offset, std::uint8_t value,
                                       std::int64_t nowNs) {
    if (offset == porttrace::DataOffset) {
        const std::uint8_t before = data;
        data = value;
        dataWritten(before, nowNs);
        return FlashModel::Change::None;
    }
    if (offset != porttrace::ControlOffset) {
        return FlashModel::Change::None;
    }
    const std::uint8_t before = control;
    control = value;
    // The strobe idles set and stays clear between the cycles of an access, so the first write
    // of an access has no rising edge at all: the falling edge is the one every write shares.
    const bool strobe = fell(before, control, ControlBit::WriteStrobe);
    const bool driving = (control & (ControlBit::Enable | ControlBit::DataDrive)) ==
                         (ControlBit::Enable | ControlBit::DataDrive);
    if (strobe && driving && chip != nullptr) {
        return chip->write(address, (control & ControlBit::ByteSelect) != 0, data, nowNs);
    }
    return FlashModel::Change::None;
}

void AdapterBoard::dataWritten(std::uint8_t before, std::int64_t nowNs) {
    if (rose(before, data, DataBit::ShiftClock)) {
        statusReadsSinceShiftClockRose = 0;
    }
    if ((control & ControlBit::DataDrive) != 0) {
        return;  // the data lines carry a byte for the chip, not clocks
    }
    const bool bitHigh = (data & DataBit::ShiftBit) != 0;
    if (rose(before, data, DataBit::ShiftClock)) {
        address = ((address << 1) | (bitHigh ? 1u : 0u)) & 0xFFFFFF;
    }
    if (rose(before, data, DataBit::ReadClock)) {
        if (bitHigh) {
            const bool selected = (control & ControlBit::Enable) != 0 && chip != nullptr;
            readBack = selected
                           ? chip->read(address, (control & ControlBit::ByteSelect) != 0, nowNs)
                           : 0xFF;
        } else {
            readBack = static_cast<std::uint8_t>(readBack << 1);
        }
    }
}

std::uint8_t AdapterBoard::read(std::uint8_t offset, std::int64_t) {
    switch (offset) {
        case porttrace::DataOffset:
            return data;
        case porttrace::ControlOffset:
            return control;
        case porttrace::StatusOffset:
            return status();
        default:
            return 0xFF;
    }
}

std::uint8_t AdapterBoard::status() {
    if (kind == BoardKind::None) {
        return StatusBit::ReadBack;  // nothing drives the lines: no answer, read-back idle high
    }
    const bool enabled = (control & ControlBit::Enable) != 0;
    const bool clockHigh = (data & DataBit::ShiftClock) != 0;
    bool presence = enabled && !clockHigh;
    if (kind == BoardKind::Velmar) {
        // This board drops its answer one status read after the shift clock rises.
        presence = enabled && (!clockHigh || statusReadsSinceShiftClockRose == 0);
    }
    ++statusReadsSinceShiftClockRose;
    const bool readBackBit = (readBack & 0x80) != 0;
    return static_cast<std::uint8_t>((presence ? StatusBit::Presence : 0) |
                                     (readBackBit ? 0 : StatusBit::ReadBack));
}

}  // namespace sim
