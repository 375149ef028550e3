// Chip commands of the unlock-cycle command set; every wait is a fixed time, nothing is polled.
#include <cstdio>

#include "flash/FlashChip.h"

namespace {

constexpr std::uint32_t UnlockAddress1 = 0x555;
constexpr std::uint32_t UnlockAddress2 = 0x2AA;
constexpr std::uint8_t ResetCommand = 0xF0;
constexpr std::uint8_t Unlock1 = 0xAA;
constexpr std::uint8_t Unlock2 = 0x55;
constexpr std::uint8_t IdentifierCommand = 0x90;
constexpr std::uint8_t EraseSetup = 0x80;
constexpr std::uint8_t ChipErase = 0x10;

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
    writeByte(UnlockAddress1, ResetCommand);
    delayUs(20000);
    return readWordAtZero();
}

std::uint16_t FlashChip::readIdentifier() {
    beginAccess();
    writeByte(UnlockAddress1, ResetCommand);
    delayUs(10);
    writeByte(UnlockAddress1, Unlock1);
    writeByte(UnlockAddress2, Unlock2);
    writeByte(UnlockAddress1, IdentifierCommand);
    delayUs(10);
    const std::uint8_t manufacturer = readByte(0);
    const std::uint8_t device = readByte(1);
    return word(device, manufacturer);
}

std::uint16_t FlashChip::readExtendedIdentifier() {
    const std::uint8_t low = readByte(14);
    const std::uint8_t high = readByte(15);
    return word(high, low);
}

std::uint16_t FlashChip::eraseChip() {
    writeByte(0x000, ResetCommand);
    delayUs(10);
    writeByte(UnlockAddress1, Unlock1);
    writeByte(UnlockAddress2, Unlock2);
    writeByte(UnlockAddress1, EraseSetup);
    writeByte(UnlockAddress1, Unlock1);
    writeByte(UnlockAddress2, Unlock2);
    writeByte(UnlockAddress1, ChipErase);
    std::puts("Erase in progress...");
    std::puts("Wait 300 seconds !");
    std::fflush(stdout);  // seen now, not after the five minutes they announce
    delayUs(EraseTimeUs);
    writeByte(0x000, ResetCommand);
    delayUs(10);
    return readWordAtZero();
}
