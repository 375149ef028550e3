// SPDX-License-Identifier: MIT
// Chip commands of the unlock-cycle command set; every wait is a fixed time, nothing is polled.
#include <cstdio>

#include "flash/FlashChip.h"
#include "flash/SendCommand.h"
#include "protocol/ChipCommandSet.h"

namespace {

using namespace ChipCommand;

constexpr std::uint32_t EraseTimeUs = 300000000;

std::uint16_t word(std::uint8_t high, std::uint8_t low) {
    return static_cast<std::uint16_t>(high << 8 | low);
}

}  // namespace

// Address 0 as a word: low byte with byte-select set, then the high byte without a new address.
std::uint16_t FlashChip::readWordAtZero() {
    const std::uint8_t low = readByte(0);
    selectHighByte();
    delayUs(1);
    const std::uint8_t high = shiftInByte();
    selectLowByte();
    endAccess();
    return word(high, low);
}

std::uint16_t FlashChip::readFirstWord() {
    beginAccess();
    writeByte(UnlockAddress1, ResetCode);
    delayUs(20000);
    return readWordAtZero();
}

std::uint16_t FlashChip::readIdentifier() {
    beginAccess();
    writeByte(UnlockAddress1, ResetCode);
    delayUs(10);
    sendCommand(*this, AutoselectCommand);
    delayUs(10);
    const std::uint8_t manufacturer = readByte(ManufacturerAddress);
    const std::uint8_t device = readByte(DeviceAddress);
    return word(device, manufacturer);
}

std::uint16_t FlashChip::readExtendedIdentifier() {
    const std::uint8_t low = readByte(Extended1Address);
    const std::uint8_t high = readByte(Extended2Address);
    return word(high, low);
}

std::uint16_t FlashChip::eraseChip() {
    writeByte(0x000, ResetCode);
    delayUs(10);
    sendCommand(*this, ChipEraseCommand);
    std::puts("Erase in progress...");
    std::puts("Wait 300 seconds !");
    std::fflush(stdout);  // seen now, not after the five minutes they announce
    delayUs(EraseTimeUs);
    writeByte(0x000, ResetCode);
    delayUs(10);
    return readWordAtZero();
}
