#include "porttrace/VcdWriter.h"

#include "porttrace/PortWires.h"

namespace porttrace {

namespace {

// The identifier of wire i is the character '!' + i; the status_read wire comes last.
constexpr std::size_t statusReadWire = wireCount;

char identifier(std::size_t wire) {
    return static_cast<char>('!' + wire);
}

}  // namespace

bool VcdWriter::open(const std::string& path, std::string& reason) {
    if (!file.open(path, reason)) {
        return false;
    }
    lines = PortLines{};
    statusRead = false;
    started = false;
    std::string header =
        "$version lptflash port trace $end\n"
        "$timescale 1ns $end\n"
        "$scope module lpt $end\n";
    for (std::size_t i = 0; i <= statusReadWire; ++i) {
        header += std::string("$var wire 1 ") + identifier(i) + " " +
                  (i < wireCount ? wires[i].name : "status_read") + " $end\n";
    }
    header += "$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n";
    for (std::size_t i = 0; i <= statusReadWire; ++i) {
        header += std::string("0") + identifier(i) + "\n";
    }
    header += "$end\n";
    file.write(header);
    return true;
}

void VcdWriter::record(const PortEvent& event) {
    if (!file.isOpen()) {
        return;
    }
    if (!started) {
        started = true;
        originNs = event.timeNs;
    }
    const PortLines next = lines.after(event);
    const bool sampled = event.access == PortAccess::Read && event.offset == StatusOffset;
    const bool changed =
        next.data != lines.data || next.control != lines.control || next.status != lines.status;
    if (!changed && !sampled) {
        return;
    }
    // "#time\n" is put right in front of the changes, digits from the last one backwards.
    constexpr std::size_t timeRoom = 24;
    char text[timeRoom + 3 * (wireCount + 1)];
    std::size_t end = timeRoom;
    for (std::size_t i = 0; i < wireCount && changed; ++i) {
        if (wireHigh(lines, i) != wireHigh(next, i)) {
            text[end++] = wireHigh(next, i) ? '1' : '0';
            text[end++] = identifier(i);
            text[end++] = '\n';
        }
    }
    if (sampled) {
        statusRead = !statusRead;
        text[end++] = statusRead ? '1' : '0';
        text[end++] = identifier(statusReadWire);
        text[end++] = '\n';
    }
    lines = next;
    // Times never go back, and each event gets a time of its own after the initial values, so
    // that a reader sampling the dump sees every edge in its order.
    std::int64_t time = event.timeNs - originNs;
    if (time <= lastTimeNs) {
        time = lastTimeNs + 1;
    }
    lastTimeNs = time;
    std::size_t start = timeRoom;
    text[--start] = '\n';
    auto digits = static_cast<std::uint64_t>(time);
    do {
        text[--start] = static_cast<char>('0' + digits % 10);
        digits /= 10;
    } while (digits != 0);
    text[--start] = '#';
    file.write(text + start, end - start);
}

}  // namespace porttrace
