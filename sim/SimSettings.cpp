#include "sim/SimSettings.h"

#include "settings/EnvironmentSetting.h"
#include "sim/NameMatch.h"

namespace sim {

namespace {

struct BoardName {
    const char* name;
    BoardKind kind;
};
constexpr BoardName boards[] = {
    {"korvella+", BoardKind::Korvella},
    {"velmar/rev3b", BoardKind::Velmar},
    {"none", BoardKind::None},
};

// Any number of digits, leading zeros included; stops before a value could overflow.
bool parseMilliseconds(const std::string& text, std::uint32_t& milliseconds) {
    if (text.empty()) {
        return false;
    }
    std::uint32_t value = 0;
    for (char digit : text) {
        if (digit < '0' || digit > '9') {
            return false;
        }
        value = value * 10 + static_cast<std::uint32_t>(digit - '0');
        if (value > MaxEraseMs) {
            return false;
        }
    }
    milliseconds = value;
    return true;
}

}  // namespace

const char* boardName(BoardKind kind) {
    for (const BoardName& candidate : boards) {
        if (candidate.kind == kind) {
            return candidate.name;
        }
    }
    return "none";
}

SimSettings readSimSettings(const SettingLookup& lookup, std::vector<std::string>& problems) {
    SimSettings settings;
    if (const std::string board = lookup(BoardVariable); !board.empty()) {
        bool known = false;
        for (const BoardName& candidate : boards) {
            if (sameName(board, candidate.name)) {
                settings.board = candidate.kind;
                known = true;
            }
        }
        if (!known) {
            problems.push_back(settings::badSetting(BoardVariable, board, "unknown board",
                                                    "korvella+, velmar/rev3b, none"));
        }
    }
    if (const std::string chip = lookup(ChipVariable); !chip.empty()) {
        if (const ChipType* type = findChip(chip)) {
            settings.chip = type;
        } else {
            problems.push_back(
                settings::badSetting(ChipVariable, chip, "unknown chip", chipNames()));
        }
    }
    std::uint32_t eraseMs = settings.chip->eraseMs;
    if (const std::string erase = lookup(EraseVariable); !erase.empty()) {
        if (!parseMilliseconds(erase, eraseMs)) {
            eraseMs = settings.chip->eraseMs;
            problems.push_back(settings::badSetting(EraseVariable, erase, "not a chip erase time",
                                                    "whole milliseconds from 0 to " +
                                                        std::to_string(MaxEraseMs) +
                                                        ", or unset for the chip's own time"));
        }
    }
    settings.eraseNs = static_cast<std::int64_t>(eraseMs) * 1000000;
    settings.imagePath = lookup(ImageVariable);
    settings.imageChosen = !settings.imagePath.empty();
    if (!settings.imageChosen) {
        settings.imagePath = std::string("lptio-sim-") + settings.chip->name + ".img";
    }
    return settings;
}

}  // namespace sim
