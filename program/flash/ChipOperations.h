// SPDX-License-Identifier: MIT
// Whole-chip work on top of FlashChip's bus cycles: the identifier codes, array reads, and the
// chip's embedded erase and program algorithms, waited for by status polling (data polling on
// DQ7, exceeded timing limits on DQ5) instead of a fixed time.
#ifndef LPTFLASH_FLASH_CHIPOPERATIONS_H
#define LPTFLASH_FLASH_CHIPOPERATIONS_H

#include <cstdint>
#include <functional>

#include "flash/ChipCatalogLookup.h"
#include "flash/FlashChip.h"

enum class ChipOutcome : std::uint8_t {
    Done,
    Failed,    // DQ5 set and DQ7 still wrong on the read after it; the chip was reset
    TimedOut,  // past the limit with DQ7 still wrong; the chip was reset
    Stopped,   // the caller stopped waiting (Ctrl-C); the chip may still be busy
};

// Called between status polls with the time since the command; false stops the waiting.
using PollReport = std::function<bool(std::uint64_t elapsedUs)>;

// The codes in identifier mode, then back to read-array mode; opens and ends its own access.
// The same cycles as flashtest's report up to its erase.
ChipCodes readChipCodes(FlashChip& chip);

// An access for array reads: opened, the chip reset to read-array mode; endAccess closes it.
void beginArrayRead(FlashChip& chip);

// count addresses from address; word-wide chips give two bytes per address, low byte first.
// careful: FlashChip's own cycles with their settle waits, for an adapter that needs them;
// otherwise the driver's block read.
void readArray(FlashChip& chip, std::uint32_t address, std::uint32_t count, bool wordWide,
               bool careful, std::uint8_t* out);

// Chip erase; opens and ends its own access. Gives up after limitUs.
ChipOutcome eraseWholeChip(FlashChip& chip, std::uint64_t limitUs, const PollReport& report);

// Programs one byte of an 8-bit chip inside an open access (beginArrayRead's); the chip can
// only clear bits. Gives up after limitUs.
ChipOutcome programByte(FlashChip& chip, std::uint32_t address, std::uint8_t value,
                        std::uint64_t limitUs);

#endif
