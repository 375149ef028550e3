// Moves the port lines exactly as the program's adapter driver does (register shadows, change
// words, serial transfers, bus cycles), against any port: the simulated adapter or a
// recorder. Written from the line protocol, not from the driver's code, so the tests check the
// simulator against the protocol rather than against the driver.
#ifndef LPTFLASH_TESTS_SIM_LINEDRIVER_H
#define LPTFLASH_TESTS_SIM_LINEDRIVER_H

#include <cstdint>
#include <functional>

class LineDriver {
  public:
    using Write = std::function<void(std::uint8_t offset, std::uint8_t value)>;
    using Read = std::function<std::uint8_t(std::uint8_t offset)>;

    LineDriver(Write write, Read read) : out(std::move(write)), in(std::move(read)) {}

    // data 0x00, offset 1 0x00, control 0x09 twice
    void construct() {
        for (std::uint8_t offset : {0, 1}) {
            shadow[offset] = 0;
            out(offset, 0);
        }
        shadow[2] = 0x09;
        out(2, 0x09);
        out(2, 0x09);
    }

    // The high byte of the change word clears bits, the low byte sets them.
    void modify(std::uint8_t offset, std::uint16_t change) {
        shadow[offset] =
            static_cast<std::uint8_t>((shadow[offset] & ~(change >> 8)) | (change & 0xFF));
        out(offset, shadow[offset]);
    }

    void shiftOut(std::uint32_t value, int bitCount) {
        modify(2, 0x0200);
        for (int i = bitCount - 1; i >= 0; --i) {
            modify(0, ((value >> i) & 1) != 0 ? 0x0002 : 0x0200);
            modify(0, 0x0100);
            modify(0, 0x0001);
        }
        modify(0, 0x0300);
    }

    std::uint8_t shiftInByte() {
        modify(2, 0x0200);
        for (std::uint16_t change : {0x0002, 0x0004, 0x0400, 0x0200}) {
            modify(0, change);
        }
        std::uint8_t result = 0;
        for (int n = 7; n >= 0; --n) {
            const bool zero = (in(1) & 0x40) != 0;
            modify(0, 0x0004);
            modify(0, 0x0400);
            result = static_cast<std::uint8_t>(result | (zero ? 0 : 1u << n));
        }
        return result;
    }

    void putData(std::uint8_t value) {
        modify(2, 0x0002);
        modify(0, static_cast<std::uint16_t>(0xFF00 | value));
    }

    void beginAccess() { modify(2, 0x0004); }
    void selectHighByte() { modify(2, 0x0100); }
    void selectLowByte() { modify(2, 0x0001); }

    std::uint8_t readByte(std::uint32_t address) {
        shiftOut(address, 24);
        return shiftInByte();
    }

    void writeByte(std::uint32_t address, std::uint8_t data) {
        shiftOut(address, 24);
        putData(data);
        modify(2, 0x0008);
        modify(2, 0x0800);
        modify(2, 0x0200);
    }

    // The unlock cycles, then the command at 0x555.
    void command(std::uint8_t code) {
        writeByte(0x555, 0xAA);
        writeByte(0x2AA, 0x55);
        writeByte(0x555, code);
    }

  private:
    Write out;
    Read in;
    std::uint8_t shadow[3] = {0, 0, 0};
};

#endif
