// SPDX-License-Identifier: MIT
// A command of the chip's command set sent as its write cycles, back to back, with no wait
// beyond the strobe inside each: flashtest's commands and lptflash's alike.
#ifndef LPTFLASH_FLASH_SENDCOMMAND_H
#define LPTFLASH_FLASH_SENDCOMMAND_H

#include "flash/FlashChip.h"
#include "protocol/ChipCommandSet.h"

inline void sendCommand(FlashChip& chip, const ChipCommand::Sequence& command) {
    for (std::uint8_t i = 0; i < command.length; ++i) {
        chip.writeByte(command.cycles[i].address, command.cycles[i].value);
    }
}

#endif
