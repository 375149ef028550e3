// SPDX-License-Identifier: MIT
#include "trace/BusLogWriter.h"

#include <cinttypes>
#include <cstdio>

#include "protocol/AdapterLines.h"
#include "trace/PortWires.h"

namespace trace {

namespace {

// Seconds with microsecond resolution.
int formatTime(char* text, std::size_t size, std::int64_t ns) {
    const std::int64_t us = ns / 1000;
    return std::snprintf(text, size, "%6" PRId64 ".%06" PRId64, us / 1000000, us % 1000000);
}

}  // namespace

bool BusLogWriter::open(const std::string& path, std::string& reason) {
    if (!file.open(path, reason)) {
        return false;
    }
    decoder = BusCycleDecoder{};
    namer = CommandNamer{};
    meaning = ReadMeaning{};
    started = false;
    probing = true;
    samples.clear();
    file.write(
        "# lptflash bus log: the detection probe line by line, then one line per bus cycle; "
        "times in seconds from the first port access\n"
        "#        time  cycle  address   byte  value  meaning\n");
    return true;
}

void BusLogWriter::record(const PortEvent& event) {
    if (!file.isOpen()) {
        return;
    }
    if (!started) {
        started = true;
        originNs = event.timeNs;
    }
    if (probing) {
        recordProbe(event);
    }
    BusCycle cycle{};
    if (!decoder.decode(event, cycle)) {
        return;
    }
    probing = false;  // the chip is being accessed: whatever probe there was is over
    std::string text;
    if (cycle.kind == BusCycle::Kind::Write) {
        text = namer.name(cycle);
        meaning.written(namer.lastStep(), cycle.value);
    } else {
        text = meaning.of(cycle);
    }
    file.write(format(cycle, text, originNs) + "\n");
}

void BusLogWriter::recordProbe(const PortEvent& event) {
    const PortLines& before = decoder.currentLines();
    if (event.direction == PortEvent::Direction::Read &&
        event.portRegister == PortRegister::Status && !decoder.readingBack()) {
        const bool present = (event.value & StatusLine::Presence) != 0;
        samples.push_back(present);
        line(event.timeNs, "sample",
             std::string(wires[presenceWire].name) + " = " + (present ? "1" : "0"));
        return;
    }
    if (event.direction != PortEvent::Direction::Write) {
        return;
    }
    const PortLines after = before.after(event);
    for (std::size_t i = 0; i < wireCount; ++i) {
        if (wireHigh(before, i) != wireHigh(after, i)) {
            line(event.timeNs, "line",
                 std::string(wires[i].name) + " = " + (wireHigh(after, i) ? "1" : "0"));
        }
    }
    if (!samples.empty() && fell(before.control, after.control, ControlLine::Enable)) {
        probing = false;
        line(event.timeNs, "probe", probeVerdict(samples));
    }
}

void BusLogWriter::line(std::int64_t timeNs, const char* kind, const std::string& text) {
    char time[32];
    formatTime(time, sizeof time, timeNs - originNs);
    char head[48];
    std::snprintf(head, sizeof head, "%s  %-6s ", time, kind);
    file.write(head + text + "\n");
}

const char* BusLogWriter::probeVerdict(const std::vector<bool>& samples) {
    const auto at = [&](std::size_t i) { return i < samples.size() && samples[i]; };
    switch (adapterFromProbe(at(0), at(1), at(2))) {
        case 2:
            return "Korvella+ answered";
        case 1:
            return "Velmar/rev3b answered";
        default:
            return "no adapter answered";
    }
}

std::string BusLogWriter::format(const BusCycle& cycle, const std::string& meaning,
                                 std::int64_t originNs) {
    char time[32];
    formatTime(time, sizeof time, cycle.timeNs - originNs);
    char line[128];
    std::snprintf(line, sizeof line, "%s  %-5s  0x%06X  %-4s  0x%02X", time,
                  cycle.kind == BusCycle::Kind::Read ? "read" : "write",
                  static_cast<unsigned>(cycle.address), cycle.lowByte ? "low" : "high",
                  static_cast<unsigned>(cycle.value));
    std::string text = line;
    if (!meaning.empty()) {
        text += "  " + meaning;
    }
    return text;
}

}  // namespace trace
