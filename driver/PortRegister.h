// The parallel-port registers, the change words that move their bits, and the adapter's lines.
#ifndef LPTFLASH_DRIVER_PORTREGISTER_H
#define LPTFLASH_DRIVER_PORTREGISTER_H

#include <cstdint>

// A register as its offset from the base port.
enum PortRegister : std::int32_t { Data = 0, Status = 1, Control = 2 };

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

// Control register: the adapter's access lines.
namespace ControlLine {
constexpr std::uint8_t ByteSelect = 0x01;   // set: low byte of the word, clear: high byte
constexpr std::uint8_t DataDrive = 0x02;    // set while a data byte is presented
constexpr std::uint8_t Enable = 0x04;       // set for the whole of a chip access
constexpr std::uint8_t WriteStrobe = 0x08;  // pulsed for each write cycle
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
constexpr std::uint8_t ReadBit = 0x40;   // read-back bit, inverted: clear = 1
constexpr std::uint8_t Presence = 0x80;  // detection answer
}  // namespace StatusLine

#endif
