// The port lines as single wires, named by register bit and by role: the names of the VCD's
// wires, of the bus log's line entries and of the sigrok decoder's channels.
#ifndef LPTFLASH_PORTTRACE_PORTWIRES_H
#define LPTFLASH_PORTTRACE_PORTWIRES_H

#include <cstddef>
#include <cstdint>

#include "porttrace/PortLines.h"

namespace porttrace {

struct Wire {
    std::uint8_t offset;
    std::uint8_t mask;
    const char* name;
};

// With data_drive clear D0-D2 are the adapter's serial lines; with it set all eight data lines
// carry the byte for the chip.
inline constexpr Wire wires[] = {
    {DataOffset, DataBit::ShiftClock, "D0_addr_clock"},
    {DataOffset, DataBit::ShiftBit, "D1_addr_bit"},
    {DataOffset, DataBit::ReadClock, "D2_read_clock"},
    {DataOffset, 0x08, "D3"},
    {DataOffset, 0x10, "D4"},
    {DataOffset, 0x20, "D5"},
    {DataOffset, 0x40, "D6"},
    {DataOffset, 0x80, "D7"},
    {ControlOffset, ControlBit::ByteSelect, "C0_byte_select"},
    {ControlOffset, ControlBit::DataDrive, "C1_data_drive"},
    {ControlOffset, ControlBit::Enable, "C2_enable"},
    {ControlOffset, ControlBit::WriteStrobe, "C3_write_strobe"},
    {StatusOffset, StatusBit::ReadBack, "S6_read_back"},
    {StatusOffset, StatusBit::Presence, "S7_presence"},
};
constexpr std::size_t wireCount = sizeof wires / sizeof wires[0];
constexpr std::size_t presenceWire = wireCount - 1;

constexpr std::uint8_t registerOf(const PortLines& lines, std::uint8_t offset) {
    return offset == DataOffset      ? lines.data
           : offset == ControlOffset ? lines.control
                                     : lines.status;
}

constexpr bool wireHigh(const PortLines& lines, std::size_t wire) {
    return (registerOf(lines, wires[wire].offset) & wires[wire].mask) != 0;
}

}  // namespace porttrace

#endif
