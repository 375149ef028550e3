// SPDX-License-Identifier: MIT
// Identifier codes and array reads.
#include "flash/ChipOperations.h"
#include "protocol/ChipCommandSet.h"

ChipCodes readChipCodes(FlashChip& chip) {
    const std::uint16_t identifier = chip.readIdentifier();
    const std::uint16_t extended = chip.readExtendedIdentifier();
    chip.writeByte(0x000, ChipCommand::ResetCode);  // back to read-array mode
    chip.delayUs(10);
    chip.endAccess();
    ChipCodes codes;
    codes.manufacturer = static_cast<std::uint8_t>(identifier & 0xFF);
    codes.device = static_cast<std::uint8_t>(identifier >> 8);
    codes.extended14 = static_cast<std::uint8_t>(extended & 0xFF);
    codes.extended15 = static_cast<std::uint8_t>(extended >> 8);
    return codes;
}

void beginArrayRead(FlashChip& chip) {
    chip.beginAccess();
    chip.writeByte(0x000, ChipCommand::ResetCode);
    chip.delayUs(10);
}

void readArray(FlashChip& chip, std::uint32_t address, std::uint32_t count, bool wordWide,
               bool careful, std::uint8_t* out) {
    if (!careful) {
        chip.readBlock(address, count, wordWide, out);
        return;
    }
    // As flashtest reads its first word: the low lane at the address, then the high lane
    // without a new address, each lane change with its settle time.
    for (std::uint32_t i = 0; i < count; ++i) {
        *out++ = chip.readByte(address + i);
        if (wordWide) {
            chip.selectHighByte();
            chip.delayUs(1);
            *out++ = chip.shiftInByte();
            chip.selectLowByte();
        }
    }
}
