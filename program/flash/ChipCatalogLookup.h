// SPDX-License-Identifier: MIT
// Which catalog chip a run talks to: by the codes it read, or by the name the operator gave.
#ifndef LPTFLASH_FLASH_CHIPCATALOGLOOKUP_H
#define LPTFLASH_FLASH_CHIPCATALOGLOOKUP_H

#include <cstdint>
#include <string>

#include "protocol/ChipTable.h"

// The low lane of the identifier codes, as FlashChip reads them: 16-bit chips give the low byte
// of each code word.
struct ChipCodes {
    std::uint8_t manufacturer = 0;
    std::uint8_t device = 0;
    std::uint8_t extended14 = 0;
    std::uint8_t extended15 = 0;
};

// The one catalog chip whose codes match (extended codes only where the chip has them);
// nullptr when none does.
const protocol::ChipType* chipWithCodes(const ChipCodes& codes);

// Case-insensitive; nullptr for an unknown name.
const protocol::ChipType* chipNamed(const std::string& name);

// "S29GL128P, MX29GL128F, ..." for messages.
std::string catalogNames();

#endif
