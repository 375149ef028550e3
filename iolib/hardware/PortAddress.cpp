// SPDX-License-Identifier: MIT
#include "hardware/PortAddress.h"

#include <cstdio>

std::string hexAddress(std::uint16_t address) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(address));
    return text;
}
