// The programmer adapter as the flash layer drives it: six operations on its lines.
#ifndef LPTFLASH_DRIVER_PROGRAMMERDRIVER_H
#define LPTFLASH_DRIVER_PROGRAMMERDRIVER_H

#include <cstdint>

#include "protocol/AdapterLines.h"
#include "protocol/ChangeWord.h"

class ProgrammerDriver {
  public:
    // Brings the control lines to idle and releases what the implementation acquired.
    virtual ~ProgrammerDriver() {}

    // Busy-waits about the given time; settle times of 1 µs up to the 300 s erase.
    virtual void delayUs(std::uint32_t microseconds) = 0;

    // Applies the change word to the register's last written value and writes it at once.
    virtual void modifyPort(PortRegister portRegister, ChangeWord change) = 0;

    // Sends the low bitCount (1..32) bits of value, most significant first.
    virtual void shiftOut(std::uint32_t value, std::uint8_t bitCount) = 0;

    // Receives one byte, most significant bit first.
    virtual std::uint8_t shiftInByte() = 0;

    // Presents the byte on the data register for the write cycle that follows.
    virtual void putData(std::uint8_t value) = 0;

    // -1: port I/O library not usable (nothing touched); 0: no adapter;
    // 1: Velmar/rev3b; 2: Korvella+. Leaves the lines idle for 0, 1 and 2.
    virtual std::int32_t detectHardware() = 0;
};

#endif
