// SPDX-License-Identifier: MIT
// The port's registers as the traffic sets them.
#ifndef LPTFLASH_TRACE_PORTLINES_H
#define LPTFLASH_TRACE_PORTLINES_H

#include <cstdint>

#include "trace/PortEvent.h"

namespace trace {

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

}  // namespace trace

#endif
