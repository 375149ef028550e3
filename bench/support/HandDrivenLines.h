// The port writes and reads of the driver's serial transfers, made by hand straight into a port
// library with no layer between: the baseline that the driver's cost is measured against, and
// a load for the simulator that leaves only the library's own cost to see. Written from the line
// protocol rather than from the driver's code. Port: out(short port, char value) and
// char in(short port), shaped as the library's entry points, so that a call inlines to exactly
// one entry-point call.
#ifndef LPTFLASH_BENCH_HANDDRIVENLINES_H
#define LPTFLASH_BENCH_HANDDRIVENLINES_H

#include <cstdint>

#include "driver/PortRegister.h"

template <typename Port>
class HandDrivenLines {
  public:
    explicit HandDrivenLines(Port port, short basePort = 888) : port(port), basePort(basePort) {}

    void modify(PortRegister offset, ChangeWord change) {
        shadow[offset] = applyChange(shadow[offset], change);
        write(offset);
    }

    void shiftOut(std::uint32_t value, int bitCount) {
        modify(Control, clearBits(ControlLine::DataDrive));
        for (int i = bitCount - 1; i >= 0; --i) {
            const bool one = ((value >> i) & 1) != 0;
            modify(Data, one ? setBits(DataLine::ShiftBit) : clearBits(DataLine::ShiftBit));
            modify(Data, clearBits(DataLine::ShiftClock));
            modify(Data, setBits(DataLine::ShiftClock));
        }
        modify(Data, clearBits(DataLine::ShiftClock | DataLine::ShiftBit));
    }

    std::uint8_t shiftInByte() {
        modify(Control, clearBits(ControlLine::DataDrive));
        modify(Data, setBits(DataLine::ShiftBit));
        modify(Data, setBits(DataLine::ReadClock));
        modify(Data, clearBits(DataLine::ReadClock));
        modify(Data, clearBits(DataLine::ShiftBit));
        std::uint8_t result = 0;
        for (int n = 7; n >= 0; --n) {
            const auto status =
                static_cast<std::uint8_t>(port.in(static_cast<short>(basePort + Status)));
            modify(Data, setBits(DataLine::ReadClock));
            modify(Data, clearBits(DataLine::ReadClock));
            if ((status & StatusLine::ReadBit) == 0) {  // inverted
                result = static_cast<std::uint8_t>(result | (1u << n));
            }
        }
        return result;
    }

    void beginAccess() { modify(Control, setBits(ControlLine::Enable)); }

  private:
    void write(PortRegister offset) {
        port.out(static_cast<short>(basePort + offset), static_cast<char>(shadow[offset]));
    }

    Port port;
    short basePort;
    std::uint8_t shadow[3] = {DataLine::Idle, 0, ControlLine::Idle};
};

// Transfer sizes in port operations, to turn times per transfer into times per operation.
constexpr int shiftOutOperations(int bitCount) {
    return 1 + 3 * bitCount + 1;
}
constexpr int ShiftInByteOperations = 21 + 8;

#endif
