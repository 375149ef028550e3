// SPDX-License-Identifier: MIT
#include "trace/ReadMeaning.h"

#include "protocol/ChipCommandSet.h"
#include "protocol/ChipTable.h"

namespace trace {

namespace {

// The identifier codes a chip is named by, in the order of ReadMeaning::codes.
struct Code {
    ChipCommand::Identifier identifier;
    const char* label;
};
constexpr Code identifierCodes[] = {
    {ChipCommand::Identifier::Manufacturer, "manufacturer code"},
    {ChipCommand::Identifier::Device, "device code"},
    {ChipCommand::Identifier::Extended1, "extended code 1/2"},
    {ChipCommand::Identifier::Extended2, "extended code 2/2"},
};

}  // namespace

void ReadMeaning::written(const ChipCommand::Tracker::Step& step, std::uint8_t value) {
    using Kind = ChipCommand::Tracker::Kind;
    // Any write takes a chip out of autoselect mode; a running erase or program ignores them all
    // but a reset after a failure.
    if (step.completed == &ChipCommand::AutoselectCommand) {
        *this = ReadMeaning{};
        autoselect = true;
        return;
    }
    autoselect = false;
    if (step.kind == Kind::ProgramData) {
        running = "program";
        doneBit7 = value & ChipCommand::DataPollingBit;
        timedOut = false;
    } else if (step.completed == &ChipCommand::ChipEraseCommand) {
        running = "erase";
        doneBit7 = ChipCommand::DataPollingBit;
        timedOut = false;
    } else if (timedOut && step.kind == Kind::Reset) {
        running = nullptr;
    }
}

std::string ReadMeaning::of(const BusCycle& read) {
    if (running != nullptr) {
        const std::string status = std::string(running) + " status: ";
        if ((read.value & ChipCommand::DataPollingBit) == doneBit7) {
            running = nullptr;  // this read and the ones after it are the array's data
            return status + "done";
        }
        if ((read.value & ChipCommand::TimeLimitBit) != 0) {
            timedOut = true;
            return status + "DQ5 exceeded timing limits";
        }
        return status + "busy";
    }
    return autoselect ? identifier(read) : std::string();
}

std::string ReadMeaning::identifier(const BusCycle& read) {
    const ChipCommand::Identifier identifier = ChipCommand::identifierAt(read.address);
    if (identifier == ChipCommand::Identifier::Protection) {
        return "sector protection";
    }
    for (std::size_t i = 0; i < std::size(identifierCodes); ++i) {
        if (identifier != identifierCodes[i].identifier) {
            continue;
        }
        const int lane = read.lowByte ? 0 : 1;
        codes[i][lane] = read.value;
        known[i][lane] = true;
        std::string label = identifierCodes[i].label;
        if (!chipNamed) {
            if (const char* chip = matchingChip()) {
                chipNamed = true;
                label += std::string("; chip ") + chip;
            }
        }
        return label;
    }
    return {};
}

// The one chip of the table whose codes were all read and agree; nullptr if none or several.
const char* ReadMeaning::matchingChip() const {
    const char* found = nullptr;
    for (const protocol::ChipType& chip : protocol::chipTable) {
        const std::uint16_t expected[4] = {chip.manufacturer, chip.device, chip.extended14,
                                           chip.extended15};
        bool matches = true;
        for (std::size_t i = 0; i < (chip.hasExtendedCodes ? 4u : 2u) && matches; ++i) {
            // An 8-bit chip has no high lane: what it reads there floats.
            matches = known[i][0] && codes[i][0] == (expected[i] & 0xFF) &&
                      (chip.busWidth == 8 || !known[i][1] || codes[i][1] == expected[i] >> 8);
        }
        if (matches) {
            if (found != nullptr) {
                return nullptr;
            }
            found = chip.name;
        }
    }
    return found;
}

}  // namespace trace
