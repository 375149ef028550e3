// The port writes and reads of the driver's serial transfers, made by hand straight into a port
// library with no layer between: the baseline that the driver's cost is measured against, and
// a load for the simulator that leaves only the library's own cost to see.
#ifndef LPTFLASH_BENCH_HANDDRIVENLINES_H
#define LPTFLASH_BENCH_HANDDRIVENLINES_H

#include <cstdint>

#include "driver/PortRegister.h"

// Library: out(short port, char value) and in(short port) returning char, as the entry points.
template <typename Library>
class HandDrivenLines {
  public:
    explicit HandDrivenLines(Library library, short basePort = 888)
        : library(library), basePort(basePort) {}

    void writeData(std::uint8_t value) { write(data, Data, value); }
    void writeControl(std::uint8_t value) { write(control, Control, value); }

    void shiftOut(std::uint32_t value, int bitCount) {
        write(control, Control, control & ~ControlLine::DataDrive);
        for (int bit = bitCount - 1; bit >= 0; --bit) {
            const bool one = ((value >> bit) & 1U) != 0;
            write(data, Data, one ? data | DataLine::ShiftBit : data & ~DataLine::ShiftBit);
            write(data, Data, data & ~DataLine::ShiftClock);
            write(data, Data, data | DataLine::ShiftClock);
        }
        write(data, Data, data & ~(DataLine::ShiftClock | DataLine::ShiftBit));
    }

    std::uint8_t shiftInByte() {
        write(control, Control, control & ~ControlLine::DataDrive);
        write(data, Data, data | DataLine::ShiftBit);
        write(data, Data, data | DataLine::ReadClock);
        write(data, Data, data & ~DataLine::ReadClock);
        write(data, Data, data & ~DataLine::ShiftBit);
        std::uint8_t result = 0;
        for (int bit = 7; bit >= 0; --bit) {
            const auto status = static_cast<std::uint8_t>(library.in(port(Status)));
            write(data, Data, data | DataLine::ReadClock);
            write(data, Data, data & ~DataLine::ReadClock);
            if ((status & StatusLine::ReadBit) == 0) {
                result = static_cast<std::uint8_t>(result | (1U << bit));
            }
        }
        return result;
    }

  private:
    short port(PortRegister offset) const { return static_cast<short>(basePort + offset); }

    void write(std::uint8_t& line, PortRegister offset, int value) {
        line = static_cast<std::uint8_t>(value);
        library.out(port(offset), static_cast<char>(line));
    }

    Library library;
    short basePort;
    std::uint8_t data = DataLine::Idle;
    std::uint8_t control = ControlLine::Idle;
};

// Transfer sizes in port operations, to turn times per transfer into times per operation.
constexpr int shiftOutOperations(int bitCount) {
    return 1 + 3 * bitCount + 1;
}
constexpr int ShiftInByteOperations = 21 + 8;

#endif
