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

struct FailName {
    const char* name;
    FailMode mode;
};
constexpr FailName failures[] = {
    {"none", FailMode::None},
    {"erase", FailMode::Erase},
    {"program", FailMode::Program},
};

// The entry that value names, ignoring case; nullptr if none.
template <typename Entry, std::size_t Count>
const Entry* byName(const Entry (&entries)[Count], const std::string& value) {
    for (const Entry& candidate : entries) {
        if (sameName(value, candidate.name)) {
            return &candidate;
        }
    }
    return nullptr;
}

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
        if (const BoardName* known = byName(boards, board)) {
            settings.board = known->kind;
        } else {
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
    if (const std::string fail = lookup(FailVariable); !fail.empty()) {
        if (const FailName* known = byName(failures, fail)) {
            settings.fail = known->mode;
        } else {
            problems.push_back(settings::badSetting(FailVariable, fail, "unknown failure",
                                                    "none, erase, program"));
        }
    }
    settings.imagePath = lookup(ImageVariable);
    if (settings.imagePath.empty()) {
        settings.imagePath = std::string("lptio-sim-") + settings.chip->name + ".img";
    }
    return settings;
}

}  // namespace sim
