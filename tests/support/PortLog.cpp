// SPDX-License-Identifier: MIT
#include "PortLog.h"

#include <cstdint>
#include <cstdio>
#include <sstream>

#include "trace/BusLogWriter.h"

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
        const auto direction = call.kind == 'W' ? trace::PortEvent::Direction::Write
                                                : trace::PortEvent::Direction::Read;
        trace::BusCycle cycle{};
        if (!decoder.decode({0, direction, static_cast<PortRegister>(call.port - 888),
                             static_cast<std::uint8_t>(call.value)},
                            cycle)) {
            return false;
        }
        // Without the time, which depends on the machine.
        line = trace::BusLogWriter::format(cycle, namer.name(cycle), 0).substr(15);
        return true;
    }

  private:
    trace::BusCycleDecoder decoder;
    trace::CommandNamer namer;
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

// clang-format off
const std::vector<std::string> testRunSequence = {
    // detection: enable, sample, shift clock up, sample, sample
    "D 15000", "D 1", "D 10",
    // first word: reset, the low byte, high byte select, the high byte, low select, end
    "D 10", "D 1", "W 555 F0 reset", "D 20000", "R 0 low", "D 10", "D 1", "R 0 high", "D 10",
    "D 10",
    // identifier
    "D 10", "D 1", "W 555 F0 reset", "D 10", "D 1", "W 555 AA unlock 1/2", "D 1",
    "W 2AA 55 unlock 2/2", "D 1", "W 555 90 autoselect", "D 10", "R 0 low manufacturer code",
    "R 1 low device code", "R E low extended code 1/2", "R F low extended code 2/2",
    // chip erase, then the first word again
    "D 1", "W 0 F0 reset", "D 10", "D 1", "W 555 AA unlock 1/2", "D 1", "W 2AA 55 unlock 2/2",
    "D 1", "W 555 80 erase setup", "D 1", "W 555 AA unlock 1/2", "D 1", "W 2AA 55 unlock 2/2",
    "D 1", "W 555 10 chip erase", "D 300000000", "D 1", "W 0 F0 reset", "D 10",
    "R 0 low erase status: done", "D 10", "D 1", "R 0 high", "D 10", "D 10"};
// clang-format on

std::vector<std::string> reportCycles(const std::vector<unsigned>& chip, bool waits,
                                      const char* loggedChip) {
    std::vector<std::string> cycles;
    size_t next = 0;
    for (const std::string& step : testRunSequence) {
        std::istringstream fields(step);
        char kind = 0;
        unsigned address = 0, value = 0;
        std::string lane, meaning;
        fields >> kind >> std::hex >> address;
        if (kind == 'D' && waits) {
            cycles.push_back(step);
        } else if (kind == 'W') {
            fields >> value >> std::ws;
            std::getline(fields, meaning);
            cycles.push_back(writeCycle(address, value, meaning.c_str()));
        } else if (kind == 'R') {
            fields >> lane >> std::ws;
            std::getline(fields, meaning);
            cycles.push_back(readCycle(address, lane == "low", chip.at(next++)));
            if (loggedChip != nullptr && !meaning.empty()) {
                const bool last = meaning == "extended code 2/2";
                cycles.back() += "  " + meaning + (last ? "; chip " + std::string(loggedChip) : "");
            }
        }
    }
    return cycles;
}
