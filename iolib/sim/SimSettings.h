// SPDX-License-Identifier: MIT
// What the simulator is told through its environment variables, checked.
#ifndef LPTFLASH_SIM_SIMSETTINGS_H
#define LPTFLASH_SIM_SIMSETTINGS_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim/AdapterBoard.h"
#include "sim/ChipCatalog.h"
#include "sim/FlashModel.h"

namespace sim {

constexpr const char* BoardVariable = "LPTIO_SIM_BOARD";
constexpr const char* ChipVariable = "LPTIO_SIM_CHIP";
constexpr const char* ImageVariable = "LPTIO_SIM_IMAGE";
constexpr const char* EraseVariable = "LPTIO_SIM_ERASE_MS";
constexpr const char* FailVariable = "LPTIO_SIM_FAIL";
constexpr std::uint32_t MaxEraseMs = 3600000;

struct SimSettings {
    BoardKind board = BoardKind::Korvella;
    const ChipType* chip = &defaultChip();
    std::string imagePath;     // default: lptio-sim-<chip>.img in the current folder
    bool imageChosen = false;  // LPTIO_SIM_IMAGE is set: a bad image is the setting's fault
    std::int64_t eraseNs = 0;
    FailMode fail = FailMode::None;
};

// The board's name as the setting gives it.
const char* boardName(BoardKind kind);

// The value of a variable; empty when unset.
using SettingLookup = std::function<std::string(const char*)>;

// Reads the LPTIO_SIM_ variables; a bad one adds its message to problems and keeps its default.
SimSettings readSimSettings(const SettingLookup& lookup, std::vector<std::string>& problems);

}  // namespace sim

#endif
