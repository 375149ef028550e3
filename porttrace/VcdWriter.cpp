#include "porttrace/VcdWriter.h"

#include <iterator>

namespace porttrace {

namespace {

struct Wire {
    PortRegister offset;
    std::uint8_t mask;
    const char* name;
};

// The identifier of wire i is the character '!' + i.
constexpr Wire wires[] = {
    {PortRegister::Data, 0x01, "D0"},
    {PortRegister::Data, 0x02, "D1"},
    {PortRegister::Data, 0x04, "D2"},
    {PortRegister::Data, 0x08, "D3"},
    {PortRegister::Data, 0x10, "D4"},
    {PortRegister::Data, 0x20, "D5"},
    {PortRegister::Data, 0x40, "D6"},
    {PortRegister::Data, 0x80, "D7"},
    {PortRegister::Control, ControlLine::ByteSelect, "byte_select"},
    {PortRegister::Control, ControlLine::DataDrive, "data_drive"},
    {PortRegister::Control, ControlLine::Enable, "enable"},
    {PortRegister::Control, ControlLine::WriteStrobe, "write_strobe"},
    {PortRegister::Status, StatusLine::ReadBack, "S6_read_back"},
    {PortRegister::Status, StatusLine::Presence, "S7_presence"},
};

std::uint8_t registerOf(const PortLines& lines, PortRegister offset) {
    switch (offset) {
        case PortRegister::Data:
            return lines.data;
        case PortRegister::Control:
            return lines.control;
        default:
            return lines.status;
    }
}

std::string change(std::size_t wire, const PortLines& lines) {
    const bool high = (registerOf(lines, wires[wire].offset) & wires[wire].mask) != 0;
    return std::string(1, high ? '1' : '0') + static_cast<char>('!' + wire) + "\n";
}

}  // namespace

bool VcdWriter::open(const std::string& path, std::string& reason) {
    if (!file.open(path, reason)) {
        return false;
    }
    lines = PortLines{};
    started = false;
    std::string header =
        "$version lptflash port trace $end\n"
        "$timescale 1ns $end\n"
        "$scope module lpt $end\n";
    for (std::size_t i = 0; i < std::size(wires); ++i) {
        header += std::string("$var wire 1 ") + static_cast<char>('!' + i) + " " + wires[i].name +
                  " $end\n";
    }
    header += "$upscope $end\n$enddefinitions $end\n";
    file.write(header);
    dumped = false;
    return true;
}

void VcdWriter::initialValues(const PortLines& initial) {
    if (!file.isOpen() || dumped) {
        return;
    }
    lines = initial;
    std::string values = "#0\n$dumpvars\n";
    for (std::size_t i = 0; i < std::size(wires); ++i) {
        values += change(i, lines);
    }
    file.write(values + "$end\n");
    dumped = true;
}

void VcdWriter::record(const PortEvent& event) {
    if (!file.isOpen()) {
        return;
    }
    initialValues(lines);
    if (!started) {
        started = true;
        originNs = event.timeNs;
        lastTimeNs = 0;
    }
    const PortLines next = lines.after(event);
    std::string changes;
    for (std::size_t i = 0; i < std::size(wires); ++i) {
        const std::uint8_t mask = wires[i].mask;
        if ((registerOf(lines, wires[i].offset) & mask) !=
            (registerOf(next, wires[i].offset) & mask)) {
            changes += change(i, next);
        }
    }
    lines = next;
    if (changes.empty()) {
        return;
    }
    // Times never go back in a dump: a clock that stepped back counts as no time passing.
    const std::int64_t time = event.timeNs - originNs;
    if (time > lastTimeNs) {
        lastTimeNs = time;
        changes = "#" + std::to_string(time) + "\n" + changes;
    }
    file.write(changes);
}

}  // namespace porttrace
