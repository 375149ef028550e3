// SPDX-License-Identifier: MIT
// I/O addresses of parallel ports: a port's registers sit at base, base+1 and base+2, and bases
// are multiples of four (legacy ports) or more (PCI and PCIe cards).
#ifndef LPTFLASH_HARDWARE_PORTADDRESS_H
#define LPTFLASH_HARDWARE_PORTADDRESS_H

#include <cstdint>
#include <string>

#include "protocol/AdapterLines.h"

inline std::uint16_t portBaseOf(std::uint16_t address) {
    return static_cast<std::uint16_t>(address & ~3u);
}

inline unsigned registerOffsetOf(std::uint16_t address) {
    return address & 3u;
}

// "0x378"
std::string hexAddress(std::uint16_t address);

#endif
