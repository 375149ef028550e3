// SPDX-License-Identifier: MIT
// The port lines as single wires, named by register bit and by role: the names of the VCD's
// wires, of the bus log's line entries and of the sigrok decoder's channels.
#ifndef LPTFLASH_TRACE_PORTWIRES_H
#define LPTFLASH_TRACE_PORTWIRES_H

#include <cstddef>
#include <cstdint>

#include "protocol/AdapterLines.h"
#include "trace/PortLines.h"

namespace trace {

struct Wire {
    PortRegister portRegister;
    std::uint8_t mask;
    const char* name;
};

// With data_drive clear D0-D2 are the adapter's serial lines; with it set all eight data lines
// carry the byte for the chip.
inline constexpr Wire wires[] = {
    {PortRegister::Data, DataLine::ShiftClock, "D0_addr_clock"},
    {PortRegister::Data, DataLine::ShiftBit, "D1_addr_bit"},
    {PortRegister::Data, DataLine::ReadClock, "D2_read_clock"},
    {PortRegister::Data, 0x08, "D3"},
    {PortRegister::Data, 0x10, "D4"},
    {PortRegister::Data, 0x20, "D5"},
    {PortRegister::Data, 0x40, "D6"},
    {PortRegister::Data, 0x80, "D7"},
    {PortRegister::Control, ControlLine::ByteSelect, "C0_byte_select"},
    {PortRegister::Control, ControlLine::DataDrive, "C1_data_drive"},
    {PortRegister::Control, ControlLine::Enable, "C2_enable"},
    {PortRegister::Control, ControlLine::WriteStrobe, "C3_write_strobe"},
    {PortRegister::Status, StatusLine::ReadBack, "S6_read_back"},
    {PortRegister::Status, StatusLine::Presence, "S7_presence"},
};
constexpr std::size_t wireCount = sizeof wires / sizeof wires[0];
constexpr std::size_t presenceWire = wireCount - 1;

constexpr std::uint8_t registerOf(const PortLines& lines, PortRegister portRegister) {
    return portRegister == PortRegister::Data      ? lines.data
           : portRegister == PortRegister::Control ? lines.control
                                                   : lines.status;
}

constexpr bool wireHigh(const PortLines& lines, std::size_t wire) {
    return (registerOf(lines, wires[wire].portRegister) & wires[wire].mask) != 0;
}

}  // namespace trace

#endif
