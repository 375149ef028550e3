// SPDX-License-Identifier: MIT
// One access to a parallel-port register as a trace sees it: what the library was asked to do,
// never what any hardware behind the port means by it.
#ifndef LPTFLASH_TRACE_PORTEVENT_H
#define LPTFLASH_TRACE_PORTEVENT_H

#include <cstdint>

#include "protocol/AdapterLines.h"

namespace trace {

struct PortEvent {
    enum class Direction : std::uint8_t { Write, Read };

    std::int64_t timeNs;  // any monotonic clock; traces show times relative to the first event
    Direction direction;
    PortRegister portRegister;  // any other offset from the base is ignored by every trace
    std::uint8_t value;         // the byte written, or the byte the read returned
};

}  // namespace trace

#endif
