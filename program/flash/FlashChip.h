// SPDX-License-Identifier: MIT
// The flash chip in the adapter's socket, reached through a programmer driver.
#ifndef LPTFLASH_FLASH_FLASHCHIP_H
#define LPTFLASH_FLASH_FLASHCHIP_H

#include <cstdint>

#include "driver/ProgrammerDriver.h"

class FlashChip {
  public:
    // Does not own the driver and never destroys it.
    explicit FlashChip(ProgrammerDriver* driver);
    ~FlashChip();

    FlashChip(const FlashChip&) = delete;
    FlashChip& operator=(const FlashChip&) = delete;

    // Handed on to the driver unchanged.
    void delayUs(std::uint32_t microseconds);
    void modifyControl(ChangeWord change);
    void modifyData(ChangeWord change);
    void shiftOut(std::uint32_t value, std::uint8_t bitCount);
    std::uint8_t shiftInByte();
    void putData(std::uint8_t value);
    std::int32_t detectHardware();
    void readBlock(std::uint32_t address, std::uint32_t count, bool wordWide, std::uint8_t* out);

    // Control-line moves, each with its settle time.
    void beginAccess();
    void endAccess();
    void setEnable();
    void clearEnable();
    void selectHighByte();
    void selectLowByte();

    // Bus cycles at a chip address; only its low 24 bits reach the chip.
    std::uint8_t readByte(std::uint32_t address);
    void writeByte(std::uint32_t address, std::uint8_t data);

    // Chip commands. Words are high byte * 256 + low byte.
    std::uint16_t readFirstWord();           // word at 0; opens and ends its own access
    std::uint16_t readIdentifier();          // device << 8 | manufacturer; leaves the chip in
                                             // identifier mode and the access open
    std::uint16_t readExtendedIdentifier();  // byte 15 << 8 | byte 14, in the mode the chip is in
    std::uint16_t eraseChip();               // in the open access; word at 0 afterwards; ends it

  private:
    std::uint16_t readWordAtZero();

    ProgrammerDriver* driver;
};

#endif
