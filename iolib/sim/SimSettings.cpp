// SPDX-License-Identifier: MIT
#include "sim/SimSettings.h"

#include "os/EnvironmentSetting.h"
#include "sim/NameMatch.h"

namespace sim {

namespace {

template <typename Value>
struct Named {
    const char* name;
    Value value;
};
constexpr Named<BoardKind> boards[] = {
    {"korvella+", BoardKind::Korvella},
    {"velmar/rev3b", BoardKind::Velmar},
    {"none", BoardKind::None},
};
constexpr Named<FailMode> failures[] = {
    {"none", FailMode::None},
    {"erase", FailMode::Erase},
    {"program", FailMode::Program},
};

// A setting that names one of entries, ignoring case; a bad one adds its message to problems
// and leaves value as it was.
template <typename Value, std::size_t Count>
void readNamed(const SettingLookup& lookup, const char* variable,
               const Named<Value> (&entries)[Count], const char* problem, Value& value,
               std::vector<std::string>& problems) {
    const std::string text = lookup(variable);
    if (text.empty()) {
        return;
    }
    std::string accepted;
    for (const Named<Value>& candidate : entries) {
        if (sameName(text, candidate.name)) {
            value = candidate.value;
            return;
        }
        accepted += (accepted.empty() ? "" : ", ") + std::string(candidate.name);
    }
    problems.push_back(settings::badSetting(variable, text, problem, accepted));
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
    for (const Named<BoardKind>& candidate : boards) {
        if (candidate.value == kind) {
            return candidate.name;
        }
    }
    return "none";
}

SimSettings readSimSettings(const SettingLookup& lookup, std::vector<std::string>& problems) {
    SimSettings settings;
    readNamed(lookup, BoardVariable, boards, "unknown board", settings.board, problems);
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
    readNamed(lookup, FailVariable, failures, "unknown failure", settings.fail, problems);
    settings.imagePath = lookup(ImageVariable);
    settings.imageChosen = !settings.imagePath.empty();
    if (!settings.imageChosen) {
        settings.imagePath = std::string("lptio-sim-") + settings.chip->name + ".img";
    }
    return settings;
}

}  // namespace sim
