// SPDX-License-Identifier: MIT
// The port writes and reads of the driver's serial transfers, made by hand straight into a port
// library with no layer between: the baseline that the driver's cost is measured against, and
// a load for the simulator that leaves only the library's own cost to see. Written from the line
// protocol rather than from the driver's code. Port: out(short port, char value) and
// char in(short port), shaped as the library's entry points, so that a call inlines to exactly
// one entry-point call.
#ifndef LPTFLASH_BENCH_HANDDRIVENLINES_H
#define LPTFLASH_BENCH_HANDDRIVENLINES_H

#include <cstdint>

#include "protocol/AdapterLines.h"
#include "protocol/ChangeWord.h"

template <typename Port>
class HandDrivenLines {
  public:
    explicit HandDrivenLines(Port port, short basePort = 888) : port(port), basePort(basePort) {}

    void modify(PortRegister offset, ChangeWord change) {
        std::uint8_t& value = shadow[registerOffset(offset)];
        value = applyChange(value, change);
        write(offset);
    }

    void shiftOut(std::uint32_t value, int bitCount) {
        modify(PortRegister::Control, clearBits(ControlLine::DataDrive));
        for (int i = bitCount - 1; i >= 0; --i) {
            const bool one = ((value >> i) & 1) != 0;
            modify(PortRegister::Data,
                   one ? setBits(DataLine::ShiftBit) : clearBits(DataLine::ShiftBit));
            modify(PortRegister::Data, clearBits(DataLine::ShiftClock));
            modify(PortRegister::Data, setBits(DataLine::ShiftClock));
        }
        modify(PortRegister::Data, clearBits(DataLine::ShiftClock | DataLine::ShiftBit));
    }

    std::uint8_t shiftInByte() {
        modify(PortRegister::Control, clearBits(ControlLine::DataDrive));
        modify(PortRegister::Data, setBits(DataLine::ShiftBit));
        modify(PortRegister::Data, setBits(DataLine::ReadClock));
        modify(PortRegister::Data, clearBits(DataLine::ReadClock));
        modify(PortRegister::Data, clearBits(DataLine::ShiftBit));
        std::uint8_t result = 0;
        for (int n = 7; n >= 0; --n) {
            const auto status = static_cast<std::uint8_t>(
                port.in(static_cast<short>(basePort + registerOffset(PortRegister::Status))));
            modify(PortRegister::Data, setBits(DataLine::ReadClock));
            modify(PortRegister::Data, clearBits(DataLine::ReadClock));
            if ((status & StatusLine::ReadBack) == 0) {  // inverted
                result = static_cast<std::uint8_t>(result | (1u << n));
            }
        }
        return result;
    }

    void beginAccess() { modify(PortRegister::Control, setBits(ControlLine::Enable)); }

  private:
    void write(PortRegister offset) {
        port.out(static_cast<short>(basePort + registerOffset(offset)),
                 static_cast<char>(shadow[registerOffset(offset)]));
    }

    Port port;
    short basePort;
    std::uint8_t shadow[PortRegisterCount] = {DataLine::Idle, 0, ControlLine::Idle};
};

// Transfer sizes in port operations, to turn times per transfer into times per operation.
constexpr int shiftOutOperations(int bitCount) {
    return 1 + 3 * bitCount + 1;
}
constexpr int ShiftInByteOperations = 21 + 8;

#endif
