// SPDX-License-Identifier: MIT
// The programmer adapter on a PC parallel port, driven through the port I/O library "io".
#ifndef LPTFLASH_DRIVER_KORVELLA4V4_H
#define LPTFLASH_DRIVER_KORVELLA4V4_H

#include <cstdint>

#include "driver/ProgrammerDriver.h"

class Korvella4v4 : public ProgrammerDriver {
  public:
    // Loads the port I/O library and, when it is usable, brings the registers to idle.
    explicit Korvella4v4(std::int32_t basePort);
    ~Korvella4v4() override;

    Korvella4v4(const Korvella4v4&) = delete;
    Korvella4v4& operator=(const Korvella4v4&) = delete;

    void delayUs(std::uint32_t microseconds) override;
    void modifyPort(PortRegister portRegister, ChangeWord change) override;
    void shiftOut(std::uint32_t value, std::uint8_t bitCount) override;
    std::uint8_t shiftInByte() override;
    void putData(std::uint8_t value) override;
    std::int32_t detectHardware() override;
    // Address bits set as the shift clock falls; per lane one byte-select write, the load edge
    // and seven shift edges.
    void readBlock(std::uint32_t address, std::uint32_t count, bool wordWide,
                   std::uint8_t* out) override;

  private:
    void writeRegister(PortRegister portRegister, std::uint8_t value);
    std::uint8_t readStatus();
    bool sampleStatus(std::uint8_t line);
    void writeData(std::uint8_t value);
    void writeByteSelect(bool lowLane);
    std::uint8_t readBackByte();

    std::int32_t driverState;  // 1: library usable; -1: not; fixed at construction
    std::int32_t basePort;
    // Last values written; the data and control registers are never read back.
    std::uint8_t dataShadow = 0;
    std::uint8_t statusShadow = 0;
    std::uint8_t controlShadow = 0;
    std::int64_t counterFrequency;
    std::uint32_t counterOverhead;  // ticks of one counter read, taken off every wait
};

#endif
