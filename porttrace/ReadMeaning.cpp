#include "porttrace/ReadMeaning.h"

#include "protocol/ChipCommandSet.h"
#include "protocol/ChipTable.h"

namespace porttrace {

namespace {

struct CodeAddress {
    std::uint8_t address;
    const char* label;
};
constexpr CodeAddress codeAddresses[] = {
    {0x00, "manufacturer code"},
    {0x01, "device code"},
    {0x0E, "extended code 1/2"},
    {0x0F, "extended code 2/2"},
};

bool completes(const std::string& command, const ChipCommand::Sequence& sequence) {
    return command == sequence.cycles[sequence.length - 1].name;
}

}  // namespace

void ReadMeaning::written(const std::string& command) {
    // Any write takes a chip out of autoselect mode; a running erase ignores them all.
    autoselect = completes(command, ChipCommand::AutoselectCommand);
    if (autoselect) {
        *this = ReadMeaning{};
        autoselect = true;
    }
    if (completes(command, ChipCommand::ChipEraseCommand)) {
        erasing = true;
        lastToggleBit[0] = lastToggleBit[1] = -1;
    }
}

std::string ReadMeaning::of(const BusCycle& read) {
    const int lane = read.lowByte ? 0 : 1;
    if (erasing) {
        const int toggle = (read.value & ChipCommand::ToggleBit) != 0 ? 1 : 0;
        const bool toggled = lastToggleBit[lane] >= 0 && lastToggleBit[lane] != toggle;
        if ((read.value & ChipCommand::DataPollingBit) == 0 || toggled) {
            lastToggleBit[lane] = toggle;
            return "erase status, not data";
        }
        erasing = false;  // erased bytes read with DQ7 set and DQ6 still
    }
    return autoselect ? identifier(read) : std::string();
}

std::string ReadMeaning::identifier(const BusCycle& read) {
    // Chips decode the identifier addresses from the low address lines.
    if ((read.address & 0xFF) == 0x02) {
        return "sector protection";
    }
    for (std::size_t i = 0; i < std::size(codeAddresses); ++i) {
        if ((read.address & 0xFF) != codeAddresses[i].address) {
            continue;
        }
        const int lane = read.lowByte ? 0 : 1;
        codes[i][lane] = read.value;
        known[i][lane] = true;
        std::string label = codeAddresses[i].label;
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

}  // namespace porttrace
