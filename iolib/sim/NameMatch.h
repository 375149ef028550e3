// SPDX-License-Identifier: MIT
// Setting values name things case-insensitively: "korvella+" and "Korvella+" are one board.
#ifndef LPTFLASH_SIM_NAMEMATCH_H
#define LPTFLASH_SIM_NAMEMATCH_H

#include <cctype>
#include <string>

namespace sim {

inline bool sameName(const std::string& value, const std::string& name) {
    if (value.size() != name.size()) {
        return false;
    }
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(value[i])) !=
            std::tolower(static_cast<unsigned char>(name[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace sim

#endif
