#include "PortLog.h"

#include <cstdint>
#include <cstdio>
#include <sstream>

#include "porttrace/BusLogWriter.h"

namespace {

std::string hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

// Feeds calls to the decoder and names each completed cycle as the bus log does.
class CycleReader {
  public:
    bool read(const PortCall& call, std::string& line) {
        const auto direction = call.kind == 'W' ? porttrace::PortEvent::Direction::Write
                                                : porttrace::PortEvent::Direction::Read;
        porttrace::BusCycle cycle{};
        if (!decoder.decode({0, direction, static_cast<PortRegister>(call.port - 888),
                             static_cast<std::uint8_t>(call.value)},
                            cycle)) {
            return false;
        }
        // Without the time, which depends on the machine.
        line = porttrace::BusLogWriter::format(cycle, namer.name(cycle), 0).substr(15);
        return true;
    }

  private:
    porttrace::BusCycleDecoder decoder;
    porttrace::CommandNamer namer;
};

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
    CycleReader reader;
    std::vector<std::string> cycles;
    std::string line;
    for (const PortCall& call : calls) {
        if (reader.read(call, line)) {
            cycles.push_back(line);
        }
    }
    return cycles;
}

std::vector<std::string> busCycles(const std::vector<std::string>& log) {
    CycleReader reader;
    std::vector<std::string> cycles;
    std::string line;
    for (const std::string& entry : log) {
        const std::vector<PortCall> call = parseLog(entry);
        if (call.empty() || (call[0].kind != 'W' && call[0].kind != 'R')) {
            cycles.push_back(entry);
        } else if (reader.read(call[0], line)) {
            cycles.push_back(line);
        }
    }
    return cycles;
}

std::string writeCycle(unsigned address, unsigned value, const char* command) {
    char line[64];
    std::snprintf(line, sizeof line, "write  0x%06X  low   0x%02X  %s", address, value, command);
    return line;
}

std::string readCycle(unsigned address, bool lowByte, unsigned value) {
    char line[64];
    std::snprintf(line, sizeof line, "read   0x%06X  %-4s  0x%02X", address,
                  lowByte ? "low" : "high", value);
    return line;
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

// Enable, 15 ms, sample, shift clock up, 1 µs, sample, 10 µs, sample, lines back to idle.
const std::vector<std::string> constructionAndProbe = {
    "W 888 00", "W 889 00", "W 890 09", "W 890 09",  // construction
    "W 890 04", "R 889",    "W 888 01", "R 889",    "R 889", "W 890 0D", "W 888 00", "W 890 09"};

std::vector<std::string> reportCycles(const std::vector<unsigned>& b) {
    const std::string unlock1 = writeCycle(0x555, 0xAA, "unlock 1/2");
    const std::string unlock2 = writeCycle(0x2AA, 0x55, "unlock 2/2");
    const std::string reset = writeCycle(0x555, 0xF0, "reset");
    const std::string resetAt0 = writeCycle(0, 0xF0, "reset");
    // clang-format off
    return {reset, readCycle(0, true, b[0]), readCycle(0, false, b[1]),               // first word
            reset, unlock1, unlock2, writeCycle(0x555, 0x90, "autoselect"),           // identifier
            readCycle(0, true, b[2]), readCycle(1, true, b[3]), readCycle(14, true, b[4]),
            readCycle(15, true, b[5]),
            resetAt0, unlock1, unlock2, writeCycle(0x555, 0x80, "erase setup"),       // erase
            unlock1, unlock2, writeCycle(0x555, 0x10, "chip erase"),
            resetAt0, readCycle(0, true, b[6]), readCycle(0, false, b[7])};    // word after erase
    // clang-format on
}
