// The adapter's serial address input, serial read-back and parallel data output.
#include "driver/Korvella4v4.h"

void Korvella4v4::shiftOut(std::uint32_t value, std::uint8_t bitCount) {
    modifyPort(Control, clearBits(ControlLine::DataDrive));
    for (int bit = bitCount - 1; bit >= 0; --bit) {
        const bool one = ((value >> bit) & 1U) != 0;
        modifyPort(Data, one ? setBits(DataLine::ShiftBit) : clearBits(DataLine::ShiftBit));
        modifyPort(Data, clearBits(DataLine::ShiftClock));
        modifyPort(Data, setBits(DataLine::ShiftClock));
    }
    modifyPort(Data, clearBits(DataLine::ShiftClock | DataLine::ShiftBit));
}

std::uint8_t Korvella4v4::shiftInByte() {
    modifyPort(Control, clearBits(ControlLine::DataDrive));
    // Opening pulse with ShiftBit high: the adapter loads the byte to send back.
    modifyPort(Data, setBits(DataLine::ShiftBit));
    modifyPort(Data, setBits(DataLine::ReadClock));
    modifyPort(Data, clearBits(DataLine::ReadClock));
    modifyPort(Data, clearBits(DataLine::ShiftBit));
    std::uint8_t result = 0;
    for (int bit = 7; bit >= 0; --bit) {
        const bool lineHigh = sampleStatus(StatusLine::ReadBit);
        modifyPort(Data, setBits(DataLine::ReadClock));
        modifyPort(Data, clearBits(DataLine::ReadClock));
        if (!lineHigh) {  // the read-back line is inverted
            result = static_cast<std::uint8_t>(result | (1U << bit));
        }
    }
    return result;
}

void Korvella4v4::putData(std::uint8_t value) {
    modifyPort(Control, setBits(ControlLine::DataDrive));
    modifyPort(Data, writeExactly(value));
}
