// SPDX-License-Identifier: MIT
// The change words that move a register's bits through the driver's modifyPort.
#ifndef LPTFLASH_PROTOCOL_CHANGEWORD_H
#define LPTFLASH_PROTOCOL_CHANGEWORD_H

#include <cstdint>

// Change word: high byte = bits to clear, low byte = bits to set; clearing comes first.
using ChangeWord = std::uint16_t;

constexpr ChangeWord setBits(std::uint8_t bits) {
    return bits;
}
constexpr ChangeWord clearBits(std::uint8_t bits) {
    return static_cast<ChangeWord>(bits << 8);
}
constexpr ChangeWord writeExactly(std::uint8_t value) {
    return clearBits(0xFF) | setBits(value);
}

constexpr std::uint8_t applyChange(std::uint8_t value, ChangeWord change) {
    return static_cast<std::uint8_t>((value & ~(change >> 8)) | (change & 0xFF));
}

#endif
