#include "porttrace/BusLogWriter.h"

#include <cstdio>

namespace porttrace {

bool BusLogWriter::open(const std::string& path, std::string& reason) {
    if (!file.open(path, reason)) {
        return false;
    }
    decoder = BusCycleDecoder{};
    namer = CommandNamer{};
    started = false;
    file.write(
        "# one line per bus cycle; time in ns from the first port access\n"
        "#        time_ns  cycle  address   byte  value  command\n");
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
    BusCycle cycle{};
    if (decoder.decode(event, cycle)) {
        file.write(format(cycle, namer.name(cycle), originNs) + "\n");
    }
}

std::string BusLogWriter::format(const BusCycle& cycle, const std::string& command,
                                 std::int64_t originNs) {
    char line[128];
    std::snprintf(line, sizeof line, "%16lld  %-5s  0x%06X  %-4s  0x%02X",
                  static_cast<long long>(cycle.timeNs - originNs),
                  cycle.kind == BusCycle::Kind::Read ? "read" : "write",
                  static_cast<unsigned>(cycle.address), cycle.lowByte ? "low" : "high",
                  static_cast<unsigned>(cycle.value));
    std::string text = line;
    if (!command.empty()) {
        text += "  " + command;
    }
    return text;
}

}  // namespace porttrace
