#include "porttrace/BusCycleDecoder.h"

namespace porttrace {

bool BusCycleDecoder::decode(const PortEvent& event, BusCycle& cycle) {
    const PortLines before = lines;
    lines = lines.after(event);
    const bool serial = (lines.control & ControlBit::DataDrive) == 0;

    if (event.access == PortAccess::Write && event.offset == DataOffset && serial) {
        // While the data register drives the chip's bus its lines are data, not clocks.
        if (rose(before.data, lines.data, DataBit::ShiftClock)) {
            const std::uint32_t bit = (lines.data & DataBit::ShiftBit) != 0 ? 1 : 0;
            addressRegister = ((addressRegister << 1) | bit) & 0xFFFFFF;
        }
        if (rose(before.data, lines.data, DataBit::ReadClock)) {
            if ((lines.data & DataBit::ShiftBit) != 0) {
                reading = true;
                readPulses = 0;
                readValue = 0;
                readAddress = addressRegister;
                readLowByte = (lines.control & ControlBit::ByteSelect) != 0;
            } else if (reading) {
                ++readPulses;
            }
        }
        return false;
    }
    if (event.access == PortAccess::Read && event.offset == StatusOffset && reading &&
        readPulses < 8) {
        const int bit = 7 - readPulses;
        if ((event.value & StatusBit::ReadBack) == 0) {
            readValue = static_cast<std::uint8_t>(readValue | (1u << bit));
        }
        if (bit == 0) {
            reading = false;
            cycle = {BusCycle::Kind::Read, event.timeNs, readAddress, readLowByte, readValue};
            return true;
        }
        return false;
    }
    if (event.access == PortAccess::Write && event.offset == ControlOffset &&
        fell(before.control, lines.control, ControlBit::WriteStrobe) &&
        (lines.control & ControlBit::Enable) != 0 && (lines.control & ControlBit::DataDrive) != 0) {
        cycle = {BusCycle::Kind::Write, event.timeNs, addressRegister,
                 (lines.control & ControlBit::ByteSelect) != 0, lines.data};
        return true;
    }
    return false;
}

}  // namespace porttrace
