// SPDX-License-Identifier: MIT
#include "flash/ChipCatalogLookup.h"

#include <algorithm>
#include <cctype>
#include <cstring>

const protocol::ChipType* chipWithCodes(const ChipCodes& codes) {
    for (const protocol::ChipType& chip : protocol::chipTable) {
        const bool basic = codes.manufacturer == (chip.manufacturer & 0xFF) &&
                           codes.device == (chip.device & 0xFF);
        const bool extended =
            !chip.hasExtendedCodes || (codes.extended14 == (chip.extended14 & 0xFF) &&
                                       codes.extended15 == (chip.extended15 & 0xFF));
        if (basic && extended) {
            return &chip;
        }
    }
    return nullptr;
}

const protocol::ChipType* chipNamed(const std::string& name) {
    const auto sameLetter = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    };
    for (const protocol::ChipType& chip : protocol::chipTable) {
        if (name.size() == std::strlen(chip.name) &&
            std::equal(name.begin(), name.end(), chip.name, sameLetter)) {
            return &chip;
        }
    }
    return nullptr;
}

std::string catalogNames() {
    std::string names;
    for (const protocol::ChipType& chip : protocol::chipTable) {
        names += (names.empty() ? "" : ", ") + std::string(chip.name);
    }
    return names;
}
