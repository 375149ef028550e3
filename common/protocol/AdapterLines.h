// SPDX-License-Identifier: MIT
// The adapter's lines on the parallel port's three registers: the one map that the driver, the
// simulated adapter, the real-port library and the traces all read.
#ifndef LPTFLASH_PROTOCOL_ADAPTERLINES_H
#define LPTFLASH_PROTOCOL_ADAPTERLINES_H

#include <cstdint>

// LPT1's base: where the programs drive the adapter and the libraries answer by default.
constexpr std::uint16_t Lpt1BasePort = 0x378;

// A register as its offset from the base port.
enum class PortRegister : std::int32_t { Data = 0, Status = 1, Control = 2 };

constexpr unsigned PortRegisterCount = 3;

constexpr unsigned registerOffset(PortRegister portRegister) {
    return static_cast<unsigned>(portRegister);
}

// Control register: the adapter's access lines.
namespace ControlLine {
constexpr std::uint8_t ByteSelect = 0x01;   // set: low byte of the word, clear: high byte
constexpr std::uint8_t DataDrive = 0x02;    // set: the data register drives the chip's data bus
constexpr std::uint8_t Enable = 0x04;       // set for the whole of a chip access
constexpr std::uint8_t WriteStrobe = 0x08;  // set-to-clear edge writes the byte on the bus
constexpr std::uint8_t Idle = ByteSelect | WriteStrobe;
}  // namespace ControlLine

// Data register: the serial lines (a whole byte only while DataDrive is set).
namespace DataLine {
constexpr std::uint8_t ShiftClock = 0x01;  // address clock, rising edge takes a bit
constexpr std::uint8_t ShiftBit = 0x02;    // address bit; also raised for the read-back load
constexpr std::uint8_t ReadClock = 0x04;   // read-back clock
constexpr std::uint8_t Idle = 0x00;
}  // namespace DataLine

// Status register: what the adapter answers.
namespace StatusLine {
constexpr std::uint8_t ReadBack = 0x40;  // read-back bit, inverted: clear = 1
constexpr std::uint8_t Presence = 0x80;  // detection answer
}  // namespace StatusLine

// Edges of the lines in mask between two values of one register: each side of the port (the
// simulated board, the trace decoders) acts on the same edges.
constexpr bool rose(std::uint8_t before, std::uint8_t after, std::uint8_t mask) {
    return (before & mask) == 0 && (after & mask) != 0;
}
constexpr bool fell(std::uint8_t before, std::uint8_t after, std::uint8_t mask) {
    return rose(after, before, mask);
}

// The detection probe's verdict from the presence line sampled with the enable line raised,
// just after the shift clock rose, and 10 µs later: 0 no adapter, 1 Velmar/rev3b, 2 Korvella+.
constexpr std::int32_t adapterFromProbe(bool first, bool second, bool third) {
    if (!first) {
        return 0;  // nothing answered the enable line
    }
    if (!second) {
        return 2;  // Korvella+: drops at once when data bit 0 rises
    }
    return third ? 0 : 1;  // Velmar/rev3b: drops within 10 µs; a line that never drops floats
}

#endif
