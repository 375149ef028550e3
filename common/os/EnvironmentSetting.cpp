// SPDX-License-Identifier: MIT
#include "os/EnvironmentSetting.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace settings {

std::string environmentSetting(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string shownValue(const std::string& value) {
    // A value goes to a terminal: its control bytes must not act there, and a runaway value
    // must not bury the message.
    constexpr std::size_t Shown = 100;
    std::string shown;
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        char piece[5] = {c, '\0'};
        if (byte < 0x20 || byte >= 0x7F) {
            std::snprintf(piece, sizeof piece, "\\x%02X", byte);
        }
        if (shown.size() + std::strlen(piece) > Shown) {
            return shown + "...";
        }
        shown += piece;
    }
    return shown;
}

std::string badSetting(const char* name, const std::string& value, const std::string& problem,
                       const std::string& accepted) {
    return std::string("lptio: ") + name + "=\"" + shownValue(value) + "\": " + problem +
           "; accepted: " + accepted;
}

}  // namespace settings
