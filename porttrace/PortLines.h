// SPDX-License-Identifier: MIT
// The port's registers as the traffic sets them, and the edges of their lines.
#ifndef LPTFLASH_PORTTRACE_PORTLINES_H
#define LPTFLASH_PORTTRACE_PORTLINES_H

#include <cstdint>

#include "porttrace/PortEvent.h"

namespace porttrace {

// Register contents as last written (data, control) or last read (status). The port's state
// before the first event is unknown; all lines start low.
struct PortLines {
    std::uint8_t data = 0;
    std::uint8_t control = 0;
    std::uint8_t status = 0;

    // The lines after the event; reads of data and control and unknown registers change nothing.
    PortLines after(const PortEvent& event) const {
        PortLines next = *this;
        const bool write = event.direction == PortEvent::Direction::Write;
        if (write && event.portRegister == PortRegister::Data) {
            next.data = event.value;
        } else if (write && event.portRegister == PortRegister::Control) {
            next.control = event.value;
        } else if (!write && event.portRegister == PortRegister::Status) {
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
