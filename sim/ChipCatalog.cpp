#include "sim/ChipCatalog.h"

#include <array>

#include "sim/NameMatch.h"

namespace sim {

namespace {

constexpr std::uint32_t MiB = 1024 * 1024;
constexpr std::uint32_t KiB = 1024;

// Codes as the chips return them in autoselect mode (16-bit chips in word mode). Erase times:
// the 8-bit chips use the typical chip erase of their family's datasheet (11 s); the 16-bit
// chips 0.5 s per sector times 128 sectors, as their family's datasheets give it.
constexpr std::array<ChipType, 5> catalog = {{
    {"S29GL128P", 16, 0x0001, 0x227E, true, 0x2221, 0x2201, 16 * MiB, 64000},
    {"MX29GL128F", 16, 0x00C2, 0x227E, true, 0x2221, 0x2201, 16 * MiB, 64000},
    {"Am29LV040B", 8, 0x01, 0x4F, false, 0, 0, 512 * KiB, 11000},
    {"Am29F040B", 8, 0x01, 0xA4, false, 0, 0, 512 * KiB, 11000},
    {"MX29F040", 8, 0xC2, 0xA4, false, 0, 0, 512 * KiB, 11000},
}};

}  // namespace

const ChipType& defaultChip() {
    return catalog[0];
}

const ChipType* findChip(const std::string& name) {
    for (const ChipType& chip : catalog) {
        if (sameName(name, chip.name)) {
            return &chip;
        }
    }
    return nullptr;
}

std::string chipNames() {
    std::string names;
    for (const ChipType& chip : catalog) {
        names += (names.empty() ? "" : ", ") + std::string(chip.name);
    }
    return names;
}

}  // namespace sim
