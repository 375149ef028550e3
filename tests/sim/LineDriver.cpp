#include "LineDriver.h"

void LineDriver::construct() {
    for (std::uint8_t offset : {0, 1}) {
        shadow[offset] = 0;
        out(offset, 0);
    }
    shadow[2] = 0x09;
    out(2, 0x09);
    out(2, 0x09);
}

int LineDriver::detect() {
    shadow[0] = shadow[1] = shadow[2] = 0;
    modify(2, 0x0004);
    const bool first = (in(1) & 0x80) != 0;
    modify(0, 0x0001);
    const bool second = (in(1) & 0x80) != 0;
    const bool third = (in(1) & 0x80) != 0;
    modify(2, 0x0209);
    modify(0, 0x0100);
    modify(2, 0x0400);
    if (!first) {
        return 0;
    }
    if (!second) {
        return 2;
    }
    return third ? 0 : 1;
}

void LineDriver::modify(std::uint8_t offset, std::uint16_t change) {
    shadow[offset] = static_cast<std::uint8_t>((shadow[offset] & ~(change >> 8)) | (change & 0xFF));
    out(offset, shadow[offset]);
}

void LineDriver::shiftOut(std::uint32_t value, int bitCount) {
    modify(2, 0x0200);
    for (int i = bitCount - 1; i >= 0; --i) {
        modify(0, ((value >> i) & 1) != 0 ? 0x0002 : 0x0200);
        modify(0, 0x0100);
        modify(0, 0x0001);
    }
    modify(0, 0x0300);
}

std::uint8_t LineDriver::shiftInByte() {
    modify(2, 0x0200);
    modify(0, 0x0002);
    modify(0, 0x0004);
    modify(0, 0x0400);
    modify(0, 0x0200);
    std::uint8_t result = 0;
    for (int n = 7; n >= 0; --n) {
        const std::uint8_t status = in(1);
        modify(0, 0x0004);
        modify(0, 0x0400);
        if ((status & 0x40) == 0) {
            result = static_cast<std::uint8_t>(result | (1u << n));
        }
    }
    return result;
}

void LineDriver::putData(std::uint8_t value) {
    modify(2, 0x0002);
    modify(0, static_cast<std::uint16_t>(0xFF00 | value));
}

void LineDriver::endAccess() {
    modify(2, 0x0209);
    modify(2, 0x0400);
}

std::uint8_t LineDriver::readByte(std::uint32_t address) {
    shiftOut(address, 24);
    return shiftInByte();
}

void LineDriver::writeByte(std::uint32_t address, std::uint8_t data) {
    shiftOut(address, 24);
    putData(data);
    modify(2, 0x0008);
    modify(2, 0x0800);
    modify(2, 0x0200);
}

std::uint16_t LineDriver::readWordAtZero() {
    const std::uint8_t low = readByte(0);
    selectHighByte();
    const std::uint8_t high = shiftInByte();
    selectLowByte();
    return static_cast<std::uint16_t>(high << 8 | low);
}
