// SPDX-License-Identifier: MIT
// The adapter's serial address input, serial read-back and parallel data output.
#include "driver/Korvella4v4.h"

void Korvella4v4::shiftOut(std::uint32_t value, std::uint8_t bitCount) {
    modifyPort(PortRegister::Control, clearBits(ControlLine::DataDrive));
    for (int bit = bitCount - 1; bit >= 0; --bit) {
        const bool one = ((value >> bit) & 1U) != 0;
        modifyPort(PortRegister::Data,
                   one ? setBits(DataLine::ShiftBit) : clearBits(DataLine::ShiftBit));
        modifyPort(PortRegister::Data, clearBits(DataLine::ShiftClock));
        modifyPort(PortRegister::Data, setBits(DataLine::ShiftClock));
    }
    modifyPort(PortRegister::Data, clearBits(DataLine::ShiftClock | DataLine::ShiftBit));
}

std::uint8_t Korvella4v4::shiftInByte() {
    modifyPort(PortRegister::Control, clearBits(ControlLine::DataDrive));
    // Opening pulse with ShiftBit high: the adapter loads the byte to send back.
    modifyPort(PortRegister::Data, setBits(DataLine::ShiftBit));
    modifyPort(PortRegister::Data, setBits(DataLine::ReadClock));
    modifyPort(PortRegister::Data, clearBits(DataLine::ReadClock));
    modifyPort(PortRegister::Data, clearBits(DataLine::ShiftBit));
    std::uint8_t result = 0;
    for (int bit = 7; bit >= 0; --bit) {
        const bool lineHigh = sampleStatus(StatusLine::ReadBack);
        modifyPort(PortRegister::Data, setBits(DataLine::ReadClock));
        modifyPort(PortRegister::Data, clearBits(DataLine::ReadClock));
        if (!lineHigh) {  // the read-back line is inverted
            result = static_cast<std::uint8_t>(result | (1U << bit));
        }
    }
    return result;
}

void Korvella4v4::putData(std::uint8_t value) {
    modifyPort(PortRegister::Control, setBits(ControlLine::DataDrive));
    modifyPort(PortRegister::Data, writeExactly(value));
}
