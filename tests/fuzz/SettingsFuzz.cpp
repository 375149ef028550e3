// SPDX-License-Identifier: MIT
// libFuzzer target: every settings parser of the port I/O libraries, and the escaping of the
// values their messages show. The first byte picks the parser; the rest is the value (several
// variables separated by NUL bytes: LPTIO_PORT and LPTIO_DIRECT_IO; the simulator's four). Beyond
// crashes and undefined behaviour: a shown value holds no control byte or non-ASCII byte and stays
// short.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "hardware/PortSetting.h"
#include "os/EnvironmentSetting.h"
#include "sim/SimSettings.h"

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string value(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 3) {
        case 0: {
            const std::string shown = settings::shownValue(value);
            require(shown.size() <= 103);
            for (const char c : shown) {
                require(c >= 0x20 && c < 0x7F);
            }
            break;
        }
        case 1: {
            const std::string::size_type cut = std::min(value.find('\0'), value.size());
            const std::string directIo = value.substr(std::min(cut + 1, value.size()));
            const PortSetting setting =
                parsePortSetting(value.substr(0, cut).c_str(), directIo.c_str());
            require(setting.kind != PortSetting::Kind::Invalid || !setting.problem.empty());
            break;
        }
        default: {
            std::vector<std::string> parts(5);
            std::size_t part = 0;
            for (const char c : value) {
                if (c == '\0') {
                    part = (part + 1) % parts.size();
                } else {
                    parts[part] += c;
                }
            }
            const char* names[] = {sim::BoardVariable, sim::ChipVariable, sim::ImageVariable,
                                   sim::EraseVariable, sim::FailVariable};
            std::vector<std::string> problems;
            const sim::SimSettings settings = sim::readSimSettings(
                [&](const char* name) {
                    for (std::size_t i = 0; i < parts.size(); ++i) {
                        if (std::string(name) == names[i]) {
                            return parts[i];
                        }
                    }
                    return std::string();
                },
                problems);
            require(settings.eraseNs >= 0 &&
                    settings.eraseNs <= std::int64_t{sim::MaxEraseMs} * 1000000);
            require(settings.chip != nullptr && !settings.imagePath.empty());
            break;
        }
    }
    return 0;
}
