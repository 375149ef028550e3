// SPDX-License-Identifier: MIT
// The hand-on: each operation is exactly one call on the driver.
#include "flash/FlashChip.h"

FlashChip::FlashChip(ProgrammerDriver* driver) : driver(driver) {}

FlashChip::~FlashChip() {}

void FlashChip::delayUs(std::uint32_t microseconds) {
    driver->delayUs(microseconds);
}

void FlashChip::modifyControl(ChangeWord change) {
    driver->modifyPort(PortRegister::Control, change);
}

void FlashChip::modifyData(ChangeWord change) {
    driver->modifyPort(PortRegister::Data, change);
}

void FlashChip::shiftOut(std::uint32_t value, std::uint8_t bitCount) {
    driver->shiftOut(value, bitCount);
}

std::uint8_t FlashChip::shiftInByte() {
    return driver->shiftInByte();
}

void FlashChip::putData(std::uint8_t value) {
    driver->putData(value);
}

std::int32_t FlashChip::detectHardware() {
    return driver->detectHardware();
}

void FlashChip::readBlock(std::uint32_t address, std::uint32_t count, bool wordWide,
                          std::uint8_t* out) {
    driver->readBlock(address, count, wordWide, out);
}
