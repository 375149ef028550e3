// SPDX-License-Identifier: MIT
#include "trace/VcdWriter.h"

#include <cstdio>

#include "os/EnvironmentSetting.h"
#include "os/FileReplacement.h"
#include "trace/GtkwaveView.h"
#include "trace/PortWires.h"
#include "trace/TraceStorage.h"

namespace trace {

namespace {

// The identifier of wire i is the character '!' + i; the status_read wire comes last.
constexpr std::size_t statusReadWire = wireCount;

// The wire of each register bit, -1 where no line is traced.
struct WireMap {
    int wire[PortRegisterCount][8];
};
constexpr WireMap mapWires() {
    WireMap map{};
    for (auto& bits : map.wire) {
        for (int& wire : bits) {
            wire = -1;
        }
    }
    for (std::size_t i = 0; i < wireCount; ++i) {
        for (unsigned bit = 0; bit < 8; ++bit) {
            if (wires[i].mask == 1u << bit) {
                map.wire[registerOffset(wires[i].portRegister)][bit] = static_cast<int>(i);
            }
        }
    }
    return map;
}
constexpr WireMap wireMap = mapWires();
constexpr const int (&wireAt)[PortRegisterCount][8] = wireMap.wire;

constexpr char digitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

unsigned lowestBitIndex(unsigned bit) {
    unsigned index = 0;
    while (bit > 1) {
        bit >>= 1;
        ++index;
    }
    return index;
}

// The dump's name without its folder: the view lies beside it, and the pair can be copied.
std::string fileName(const std::string& path) {
    const std::string::size_type slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A view of ours is a few hundred bytes; anything much larger is someone else's file.
constexpr std::size_t ViewSizeLimit = 64 * 1024;

char identifier(std::size_t wire) {
    return static_cast<char>('!' + wire);
}

}  // namespace

bool VcdWriter::open(const std::string& vcdPath, std::string& reason) {
    if (!file.open(vcdPath, reason)) {
        return false;
    }
    path = vcdPath;
    viewWritten = false;
    enableRoseNs = 0;
    lines = PortLines{};
    statusRead = false;
    started = false;
    lastTimeNs = 0;
    std::string header =
        "$version lptflash port trace $end\n"
        "$timescale 1ns $end\n"
        "$scope module lpt $end\n";
    for (std::size_t i = 0; i <= statusReadWire; ++i) {
        header += std::string("$var wire 1 ") + identifier(i) + " " +
                  (i < wireCount ? wires[i].name : "status_read") + " $end\n";
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
    for (std::size_t i = 0; i <= statusReadWire; ++i) {
        const bool high = i < wireCount && wireHigh(lines, i);
        values += std::string(high ? "1" : "0") + identifier(i) + "\n";
    }
    file.write(values + "$end\n");
    dumped = true;
}

void VcdWriter::record(const PortEvent& event) {
    if (!file.isOpen()) {
        return;
    }
    if (!dumped) {
        initialValues(lines);
    }
    if (!started) {
        started = true;
        originNs = event.timeNs;
    }
    const PortLines next = lines.after(event);
    const bool sampled =
        event.direction == PortEvent::Direction::Read && event.portRegister == PortRegister::Status;
    const bool changed =
        next.data != lines.data || next.control != lines.control || next.status != lines.status;
    if (!changed && !sampled) {
        return;
    }
    // "#time\n" is put right in front of the changes, digits from the last one backwards.
    constexpr std::size_t timeRoom = 24;
    char text[timeRoom + 3 * (wireCount + 1)];
    std::size_t end = timeRoom;
    // One event moves one register; its changed bits, lowest first, are wires in table order.
    const std::uint8_t value = registerOf(next, event.portRegister);
    for (unsigned diff = registerOf(lines, event.portRegister) ^ value; diff != 0;
         diff &= diff - 1) {
        const unsigned bit = diff & (0u - diff);
        const int wire = wireAt[registerOffset(event.portRegister)][lowestBitIndex(bit)];
        if (wire >= 0) {
            text[end++] = (value & bit) != 0 ? '1' : '0';
            text[end++] = identifier(static_cast<std::size_t>(wire));
            text[end++] = '\n';
        }
    }
    if (sampled) {
        statusRead = !statusRead;
        text[end++] = statusRead ? '1' : '0';
        text[end++] = identifier(statusReadWire);
        text[end++] = '\n';
    }
    const PortLines before = lines;
    lines = next;
    // Times never go back, and each event gets a time of its own after the initial values, so
    // that a reader sampling the dump sees every edge in its order.
    std::int64_t time = event.timeNs - originNs;
    if (time <= lastTimeNs) {
        time = lastTimeNs + 1;
    }
    lastTimeNs = time;
    if (!viewWritten) {
        noteChipAccess(before, time);
    }
    std::size_t start = timeRoom;
    text[--start] = '\n';
    auto digits = static_cast<std::uint64_t>(time);
    while (digits >= 10) {  // two digits a step: times run to twelve digits
        const auto pair = static_cast<std::size_t>(digits % 100) * 2;
        text[--start] = digitPairs[pair + 1];
        text[--start] = digitPairs[pair];
        digits /= 100;
    }
    if (digits != 0 || start == timeRoom - 1) {
        text[--start] = static_cast<char>('0' + digits);
    }
    text[--start] = '#';
    file.write(text + start, end - start);
}

// The first write strobe, or the first read-back load, inside an access: the first chip access,
// shown from the enable line's rise before it.
void VcdWriter::noteChipAccess(const PortLines& before, std::int64_t time) {
    if (rose(before.control, lines.control, ControlLine::Enable)) {
        enableRoseNs = time;
    }
    const bool enabled = (lines.control & ControlLine::Enable) != 0;
    const bool driving = (lines.control & ControlLine::DataDrive) != 0;
    const bool strobe = fell(before.control, lines.control, ControlLine::WriteStrobe) && driving;
    const bool load = rose(before.data, lines.data, DataLine::ReadClock) &&
                      (lines.data & DataLine::ShiftBit) != 0 && !driving;
    if (enabled && (strobe || load)) {
        viewWritten = true;
        writeView(enableRoseNs, time);
    }
}

// A run without a chip access (a failed probe) gets a view of all it did; one that never
// touched the port (refused over its other trace) gets none.
void VcdWriter::close() {
    if (!viewWritten && started) {
        viewWritten = true;
        writeView(0, lastTimeNs > 0 ? lastTimeNs : 1);
    }
    file.close();
    path.clear();
}

void VcdWriter::writeView(std::int64_t startNs, std::int64_t endNs) {
    const std::string viewPath = gtkwaveViewPath(path);
    std::string existing;
    std::string reason;
    const SmallFile found = readSmallFile(viewPath, ViewSizeLimit, existing, reason);
    if (found == SmallFile::Refused ||
        (found == SmallFile::Read &&
         existing.compare(0, existing.find('\n'), GtkwaveViewTitle) != 0)) {
        std::fprintf(stderr, "lptio: %s is not a GTKWave view of ours: left as it is\n",
                     settings::shownValue(viewPath).c_str());
        return;
    }
    const std::int64_t margin = (endNs - startNs) / 4 + 1000;
    if (!os::replaceFile(viewPath,
                         gtkwaveView(fileName(path), startNs > margin ? startNs - margin : 0,
                                     endNs + margin, endNs),
                         reason)) {
        std::fprintf(stderr, "lptio: cannot write the GTKWave view %s (%s)\n", viewPath.c_str(),
                     reason.c_str());
    }
}

}  // namespace trace
