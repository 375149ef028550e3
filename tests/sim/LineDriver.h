// Moves the port lines exactly as the program's adapter driver does (register shadows, change
// words, serial transfers, bus cycles, detection), against any port: the simulated adapter or a
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

    void construct();  // data 0x00, offset 1 0x00, control 0x09 twice
    int detect();      // 0 none, 1 Velmar/rev3b, 2 Korvella+

    void modify(std::uint8_t offset, std::uint16_t change);
    void shiftOut(std::uint32_t value, int bitCount);
    std::uint8_t shiftInByte();
    void putData(std::uint8_t value);

    void beginAccess() { modify(2, 0x0004); }
    void endAccess();
    void selectHighByte() { modify(2, 0x0100); }
    void selectLowByte() { modify(2, 0x0001); }
    std::uint8_t readByte(std::uint32_t address);
    void writeByte(std::uint32_t address, std::uint8_t data);
    // The word at address 0 as the chip report reads it: low byte, then high without a new address.
    std::uint16_t readWordAtZero();

    std::uint8_t control() const { return shadow[2]; }

  private:
    Write out;
    Read in;
    std::uint8_t shadow[3] = {0, 0, 0};
};

#endif
