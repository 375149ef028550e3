// SPDX-License-Identifier: MIT
// Control-line moves and the read and write cycles of the chip bus.
#include "flash/FlashChip.h"

namespace {
constexpr std::uint8_t AddressBits = 24;
}

void FlashChip::beginAccess() {
    modifyControl(setBits(ControlLine::Enable));
    delayUs(10);
}

void FlashChip::endAccess() {
    modifyControl(clearBits(ControlLine::DataDrive) | setBits(ControlLine::Idle));
    delayUs(10);
    modifyControl(clearBits(ControlLine::Enable));
}

void FlashChip::setEnable() {
    modifyControl(setBits(ControlLine::Enable));
    delayUs(1);
}

void FlashChip::clearEnable() {
    modifyControl(clearBits(ControlLine::Enable));
    delayUs(1);
}

void FlashChip::selectHighByte() {
    modifyControl(clearBits(ControlLine::ByteSelect));
    delayUs(10);
}

void FlashChip::selectLowByte() {
    modifyControl(setBits(ControlLine::ByteSelect));
    delayUs(10);
}

std::uint8_t FlashChip::readByte(std::uint32_t address) {
    shiftOut(address, AddressBits);
    return shiftInByte();
}

void FlashChip::writeByte(std::uint32_t address, std::uint8_t data) {
    shiftOut(address, AddressBits);
    putData(data);
    // The chip latches on the strobe's falling edge. The first cycle of an access finds the
    // strobe already set, so only its fall is seen; later cycles give a full pulse.
    modifyControl(setBits(ControlLine::WriteStrobe));
    delayUs(1);
    modifyControl(clearBits(ControlLine::WriteStrobe));
    modifyControl(clearBits(ControlLine::DataDrive));
}
