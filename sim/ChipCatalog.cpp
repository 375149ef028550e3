#include "sim/ChipCatalog.h"

#include "sim/NameMatch.h"

namespace sim {

const std::array<ChipType, 5>& chipCatalog() {
    return porttrace::chipTable;
}

const ChipType& defaultChip() {
    return porttrace::chipTable[0];
}

const ChipType* findChip(const std::string& name) {
    for (const ChipType& chip : porttrace::chipTable) {
        if (sameName(name, chip.name)) {
            return &chip;
        }
    }
    return nullptr;
}

std::string chipNames() {
    std::string names;
    for (const ChipType& chip : porttrace::chipTable) {
        names += (names.empty() ? "" : ", ") + std::string(chip.name);
    }
    return names;
}

}  // namespace sim
