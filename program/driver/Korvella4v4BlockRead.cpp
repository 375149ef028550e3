// SPDX-License-Identifier: MIT
// The block read with the fewest port accesses the adapter's protocol allows: every data line is
// set in the write before the clock edge that takes it, never in a write of its own.
#include "driver/Korvella4v4.h"

namespace {
constexpr int AddressBits = 24;
}  // namespace

// One lane: the load edge (ShiftBit high, set as the shift clock falls), then a sample after it
// and after each of seven shift edges; the eighth bit needs no edge after it.
std::uint8_t Korvella4v4::readBackByte() {
    writeData(DataLine::ShiftBit);
    writeData(DataLine::ShiftBit | DataLine::ReadClock);
    std::uint8_t result = 0;
    for (int bit = 7; bit >= 0; --bit) {
        if (bit != 7) {
            writeData(DataLine::Idle);
            writeData(DataLine::ReadClock);
        }
        if ((readStatus() & StatusLine::ReadBack) == 0) {  // inverted: clear is a 1
            result = static_cast<std::uint8_t>(result | (1U << bit));
        }
    }
    return result;
}

void Korvella4v4::writeData(std::uint8_t value) {
    dataShadow = value;
    writeRegister(PortRegister::Data, value);
}

void Korvella4v4::writeByteSelect(bool lowLane) {
    controlShadow = lowLane ? applyChange(controlShadow, setBits(ControlLine::ByteSelect))
                            : applyChange(controlShadow, clearBits(ControlLine::ByteSelect));
    writeRegister(PortRegister::Control, controlShadow);
}

void Korvella4v4::readBlock(std::uint32_t address, std::uint32_t count, bool wordWide,
                            std::uint8_t* out) {
    if ((controlShadow & ControlLine::DataDrive) != 0) {
        modifyPort(PortRegister::Control, clearBits(ControlLine::DataDrive));
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t at = address + i;
        // The bit goes out in the write that lowers the clock; the rising edge takes it.
        for (int bit = AddressBits - 1; bit >= 0; --bit) {
            const std::uint8_t line = ((at >> bit) & 1U) != 0 ? DataLine::ShiftBit : 0;
            writeData(line);
            writeData(line | DataLine::ShiftClock);
        }
        if (wordWide) {
            writeByteSelect(true);
            *out++ = readBackByte();
            writeByteSelect(false);
            *out++ = readBackByte();
        } else {
            *out++ = readBackByte();
        }
    }
    if (wordWide) {
        writeByteSelect(true);
    }
    writeData(DataLine::Idle);
}
