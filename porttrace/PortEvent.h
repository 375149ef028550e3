// One access to a parallel-port register as a trace sees it: what the library was asked to do,
// never what any hardware behind the port means by it.
#ifndef LPTFLASH_PORTTRACE_PORTEVENT_H
#define LPTFLASH_PORTTRACE_PORTEVENT_H

#include <cstdint>

namespace porttrace {

enum class PortAccess : std::uint8_t { Write, Read };

// Register offsets from the port's base address.
enum PortOffset : std::uint8_t { DataOffset = 0, StatusOffset = 1, ControlOffset = 2 };

struct PortEvent {
    std::int64_t timeNs;  // any monotonic clock; traces show times relative to the first event
    PortAccess access;
    std::uint8_t offset;  // PortOffset; others are ignored by every trace
    std::uint8_t value;   // the byte written, or the byte the read returned
};

}  // namespace porttrace

#endif
