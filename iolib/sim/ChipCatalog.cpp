// SPDX-License-Identifier: MIT
#include "sim/ChipCatalog.h"

#include <array>

#include "sim/NameMatch.h"

namespace sim {

const ChipType& defaultChip() {
    return protocol::chipTable[0];
}

const ChipType* findChip(const std::string& name) {
    for (const ChipType& chip : protocol::chipTable) {
        if (sameName(name, chip.name)) {
            return &chip;
        }
    }
    return nullptr;
}

std::string chipNames() {
    std::string names;
    for (const ChipType& chip : protocol::chipTable) {
        names += (names.empty() ? "" : ", ") + std::string(chip.name);
    }
    return names;
}

}  // namespace sim
