#include "PortLog.h"

#include <cstdint>
#include <cstdio>
#include <sstream>

#include "porttrace/BusCycleDecoder.h"

namespace {

std::string hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

}  // namespace

std::vector<PortCall> parseLog(const std::string& text) {
    std::vector<PortCall> accesses;
    std::istringstream lines(text);
    PortCall access{};
    while (lines >> access.kind >> access.port >> std::hex >> access.value >> std::dec) {
        accesses.push_back(access);
    }
    return accesses;
}

std::vector<std::string> accessStrings(const std::vector<PortCall>& accesses, size_t count) {
    std::vector<std::string> result;
    for (size_t i = 0; i < count && i < accesses.size(); ++i) {
        const PortCall& a = accesses[i];
        result.push_back(std::string(1, a.kind) + " " + std::to_string(a.port) +
                         (a.kind == 'W' ? " " + hex(a.value, 2) : ""));
    }
    return result;
}

std::vector<std::string> busCycles(const std::vector<PortCall>& calls) {
    porttrace::BusCycleDecoder decoder;
    std::vector<std::string> cycles;
    for (const PortCall& call : calls) {
        const auto direction = call.kind == 'W' ? porttrace::PortEvent::Direction::Write
                                                : porttrace::PortEvent::Direction::Read;
        porttrace::BusCycle cycle{};
        if (decoder.decode({0, direction, static_cast<PortRegister>(call.port - 888),
                            static_cast<std::uint8_t>(call.value)},
                           cycle)) {
            const bool read = cycle.kind == porttrace::BusCycle::Kind::Read;
            cycles.push_back((read ? "R " : "W ") + hex(cycle.address, 6) + " " +
                             hex(cycle.value, 2) +
                             (!read           ? ""
                              : cycle.lowByte ? " low"
                                              : " high"));
        }
    }
    return cycles;
}

std::string statusScript(const std::vector<bool>& probe, const std::vector<unsigned>& chipBytes) {
    std::string script;
    unsigned noise = 0x15;
    for (bool set : probe) {
        script += hex((set ? 0x80 : 0x00) | (noise & 0x7F), 2) + " ";
        noise = (noise * 5 + 3) & 0xFF;
    }
    for (unsigned byte : chipBytes) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool one = ((byte >> bit) & 1) != 0;
            script += hex((one ? 0x00 : 0x40) | (noise & 0xBF), 2) + " ";
            noise = (noise * 5 + 3) & 0xFF;
        }
    }
    return script;
}

const std::vector<std::string> constructionAndProbe = {
    "W 888 00", "W 889 00", "W 890 09", "W 890 09",  // construction
    "W 890 04", "R 889",    "W 888 01", "R 889",    "R 889", "W 890 0D", "W 888 00", "W 890 09"};

const std::vector<std::string> reportCycles = {
    "W 000555 F0",     "R 000000 BC low", "R 000000 0A high",                 // first word
    "W 000555 F0",     "W 000555 AA",     "W 0002AA 55",      "W 000555 90",  // identifier mode
    "R 000000 01 low", "R 000001 7E low", "R 00000E 21 low",  "R 00000F 0C low",
    "W 000000 F0",     "W 000555 AA",     "W 0002AA 55",      "W 000555 80",  // chip erase
    "W 000555 AA",     "W 0002AA 55",     "W 000555 10",      "W 000000 F0",
    "R 000000 FF low", "R 000000 FF high"};  // word after erase
