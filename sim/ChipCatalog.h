// The flash chips the simulator can put in the adapter's socket, with their real autoselect
// codes.
#ifndef LPTFLASH_SIM_CHIPCATALOG_H
#define LPTFLASH_SIM_CHIPCATALOG_H

#include <cstdint>
#include <string>

namespace sim {

struct ChipType {
    const char* name;
    unsigned busWidth;  // 16: word-wide, one word per address; 8: one byte per address
    std::uint16_t manufacturer;
    std::uint16_t device;
    bool hasExtendedCodes;  // codes at autoselect addresses 14 and 15
    std::uint16_t extended14;
    std::uint16_t extended15;
    std::uint32_t sizeBytes;
    std::uint32_t eraseMs;  // chip erase time
};

const ChipType& defaultChip();
// The chip of that name, ignoring case; nullptr if none.
const ChipType* findChip(const std::string& name);
// The names, comma-separated, for messages.
std::string chipNames();

}  // namespace sim

#endif
