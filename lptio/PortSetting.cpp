#include "lptio/PortSetting.h"

#include <cerrno>
#include <cstdlib>

#include "settings/EnvironmentSetting.h"

namespace {

bool parseAddress(const std::string& text, std::uint16_t& base) {
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const bool hexadecimal =
        text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (!hexadecimal && text.size() > 1 && text[0] == '0') {
        return false;  // "0378": hexadecimal without its 0x, or octal? Neither is guessed.
    }
    const unsigned long value = std::strtoul(text.c_str(), &end, hexadecimal ? 16 : 10);
    if (errno != 0 || end == text.c_str() || *end != '\0' || value == 0 || value > 0xFFFF) {
        return false;
    }
    base = static_cast<std::uint16_t>(value);
    return true;
}

}  // namespace

void refuseOnProblems(PortSetting& setting, const std::vector<std::string>& problems) {
    for (const std::string& problem : problems) {
        setting.problem += (setting.problem.empty() ? "" : "\n") + problem;
        setting.kind = PortSetting::Kind::Invalid;
    }
}

PortSetting parsePortSetting(const char* value) {
    PortSetting setting;
    if (value == nullptr || *value == '\0') {
        return setting;
    }
    const std::string text = value;
    if (text[0] == '/') {
        setting.kind = PortSetting::Kind::Device;
        setting.device = text;
    } else if (text.compare(0, 7, "parport") == 0 && text.size() > 7) {
        setting.kind = PortSetting::Kind::Device;
        setting.device = "/dev/" + text;
    } else if (parseAddress(text, setting.base)) {
        setting.kind = PortSetting::Kind::Address;
    } else {
        setting.kind = PortSetting::Kind::Invalid;
        setting.problem = porttrace::badSetting(
            "LPTIO_PORT", text, "not a parallel port",
            "a ppdev device (/dev/parport1 or parport1) or a base address (0xd010 or 53264)");
    }
    return setting;
}
