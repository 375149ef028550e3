// SPDX-License-Identifier: MIT
// The block read over the six operations: each address shifted out whole, each lane read with
// the full read-back sequence.
#include "driver/ProgrammerDriver.h"

void ProgrammerDriver::readBlock(std::uint32_t address, std::uint32_t count, bool wordWide,
                                 std::uint8_t* out) {
    for (std::uint32_t i = 0; i < count; ++i) {
        shiftOut(address + i, 24);
        *out++ = shiftInByte();
        if (wordWide) {
            modifyPort(PortRegister::Control, clearBits(ControlLine::ByteSelect));
            *out++ = shiftInByte();
            modifyPort(PortRegister::Control, setBits(ControlLine::ByteSelect));
        }
    }
}
