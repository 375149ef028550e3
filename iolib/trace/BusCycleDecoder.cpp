// SPDX-License-Identifier: MIT
#include "trace/BusCycleDecoder.h"

namespace trace {

bool BusCycleDecoder::decode(const PortEvent& event, BusCycle& cycle) {
    const PortLines before = lines;
    lines = lines.after(event);
    const bool serial = (lines.control & ControlLine::DataDrive) == 0;

    if (event.direction == PortEvent::Direction::Write &&
        event.portRegister == PortRegister::Data && serial) {
        // While the data register drives the chip's bus its lines are data, not clocks.
        if (rose(before.data, lines.data, DataLine::ShiftClock)) {
            const std::uint32_t bit = (lines.data & DataLine::ShiftBit) != 0 ? 1 : 0;
            addressRegister = ((addressRegister << 1) | bit) & 0xFFFFFF;
        }
        if (rose(before.data, lines.data, DataLine::ReadClock)) {
            if ((lines.data & DataLine::ShiftBit) != 0) {
                // Only an enabled chip puts a byte of its bus into the read-back register.
                reading = (lines.control & ControlLine::Enable) != 0;
                readPulses = 0;
                readValue = 0;
                readAddress = addressRegister;
                readLowByte = (lines.control & ControlLine::ByteSelect) != 0;
            } else if (reading) {
                ++readPulses;
            }
        }
        return false;
    }
    if (event.direction == PortEvent::Direction::Read &&
        event.portRegister == PortRegister::Status && reading && readPulses < 8) {
        const int bit = 7 - readPulses;
        if ((event.value & StatusLine::ReadBack) == 0) {
            readValue = static_cast<std::uint8_t>(readValue | (1u << bit));
        }
        if (bit == 0) {
            reading = false;
            cycle = {BusCycle::Kind::Read, event.timeNs, readAddress, readLowByte, readValue};
            return true;
        }
        return false;
    }
    if (event.direction == PortEvent::Direction::Write &&
        event.portRegister == PortRegister::Control &&
        fell(before.control, lines.control, ControlLine::WriteStrobe) &&
        (lines.control & ControlLine::Enable) != 0 &&
        (lines.control & ControlLine::DataDrive) != 0) {
        cycle = {BusCycle::Kind::Write, event.timeNs, addressRegister,
                 (lines.control & ControlLine::ByteSelect) != 0, lines.data};
        return true;
    }
    return false;
}

}  // namespace trace
