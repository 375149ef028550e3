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

void ReadMeaning::written(const std::string& command, std::uint8_t value) {
    // Any write takes a chip out of autoselect mode; a running erase or program ignores them all
    // but a reset after a failure.
    autoselect = completes(command, ChipCommand::AutoselectCommand);
    if (autoselect) {
        *this = ReadMeaning{};
        autoselect = true;
    }
    if (programNext) {
        programNext = false;
        running = "program";
        doneBit7 = value & ChipCommand::DataPollingBit;
        timedOut = false;
    }
    programNext = completes(command, ChipCommand::ProgramCommand);
    if (completes(command, ChipCommand::ChipEraseCommand)) {
        running = "erase";
        doneBit7 = ChipCommand::DataPollingBit;
        timedOut = false;
    }
    if (timedOut && command == "reset") {
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
