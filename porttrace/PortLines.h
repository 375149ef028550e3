// The adapter's lines on the three port registers, and their state as the port traffic sets it.
#ifndef LPTFLASH_PORTTRACE_PORTLINES_H
#define LPTFLASH_PORTTRACE_PORTLINES_H

#include <cstdint>

#include "porttrace/PortEvent.h"

namespace porttrace {

namespace DataBit {
constexpr std::uint8_t ShiftClock = 0x01;  // address shift clock, rising edge takes a bit
constexpr std::uint8_t ShiftBit = 0x02;    // address bit; high during the read-back load pulse
constexpr std::uint8_t ReadClock = 0x04;   // read-back clock
}  // namespace DataBit

namespace ControlBit {
constexpr std::uint8_t ByteSelect = 0x01;   // set: low byte of the word, clear: high byte
constexpr std::uint8_t DataDrive = 0x02;    // set: the data register drives the chip's data bus
constexpr std::uint8_t Enable = 0x04;       // set for the whole of a chip access
constexpr std::uint8_t WriteStrobe = 0x08;  // set-to-clear edge writes the byte on the bus
}  // namespace ControlBit

namespace StatusBit {
constexpr std::uint8_t ReadBack = 0x40;  // read-back bit, inverted: clear = 1
constexpr std::uint8_t Presence = 0x80;  // detection answer
}  // namespace StatusBit

// Register contents as last written (data, control) or last read (status). The port's state
// before the first event is unknown; all lines start low.
struct PortLines {
    std::uint8_t data = 0;
    std::uint8_t control = 0;
    std::uint8_t status = 0;

    // The lines after the event; reads of data and control and unknown offsets change nothing.
    PortLines after(const PortEvent& event) const {
        PortLines next = *this;
        if (event.access == PortAccess::Write && event.offset == DataOffset) {
            next.data = event.value;
        } else if (event.access == PortAccess::Write && event.offset == ControlOffset) {
            next.control = event.value;
        } else if (event.access == PortAccess::Read && event.offset == StatusOffset) {
            next.status = event.value;
        }
        return next;
    }
};

// Bits of mask that go from clear in before to set in after.
constexpr bool rose(std::uint8_t before, std::uint8_t after, std::uint8_t mask) {
    return (before & mask) == 0 && (after & mask) != 0;
}
constexpr bool fell(std::uint8_t before, std::uint8_t after, std::uint8_t mask) {
    return rose(after, before, mask);
}

}  // namespace porttrace

#endif
