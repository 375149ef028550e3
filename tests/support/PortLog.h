// The bus cycles in a log of port accesses at LPT1, as the scripted library and the recording fake
// write them ("W 890 0D", "R 889 7F"), decoded by the traces' decoder and shown as the bus log
// shows them ("write  0x000555  low   0xF0  reset"). Other entries ("D 10", a wait) pass through.
#ifndef LPTFLASH_TESTS_SUPPORT_PORTLOG_H
#define LPTFLASH_TESTS_SUPPORT_PORTLOG_H

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "porttrace/BusLogWriter.h"

inline std::vector<std::string> busCycles(const std::vector<std::string>& log) {
    std::vector<std::string> cycles;
    porttrace::BusCycleDecoder decoder;
    porttrace::CommandNamer namer;
    for (const std::string& entry : log) {
        std::istringstream fields(entry);
        char kind = 0;
        unsigned port = 0, value = 0;
        porttrace::BusCycle cycle{};
        if (!(fields >> kind >> port >> std::hex >> value) || (kind != 'W' && kind != 'R')) {
            cycles.push_back(entry);
            continue;
        }
        const auto direction = kind == 'W' ? porttrace::PortEvent::Direction::Write
                                           : porttrace::PortEvent::Direction::Read;
        if (decoder.decode({0, direction, static_cast<PortRegister>(port - 888),
                            static_cast<std::uint8_t>(value)},
                           cycle)) {
            // Without the time, which depends on the machine.
            cycles.push_back(
                porttrace::BusLogWriter::format(cycle, namer.name(cycle), 0).substr(18));
        }
    }
    return cycles;
}

// Bus-log lines written out by hand: a write on the low lane with its command, a read.
inline std::string writeCycle(unsigned address, unsigned value, const char* command) {
    char line[64];
    std::snprintf(line, sizeof line, "write  0x%06X  low   0x%02X  %s", address, value, command);
    return line;
}
inline std::string readCycle(unsigned address, bool lowByte, unsigned value) {
    char line[64];
    std::snprintf(line, sizeof line, "read   0x%06X  %-4s  0x%02X", address,
                  lowByte ? "low" : "high", value);
    return line;
}

#endif
