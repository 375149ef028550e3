// SPDX-License-Identifier: MIT
// The programmer adapter as the flash layer drives it: six operations on its lines, and a block
// read made of them that a driver may do faster.
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

    // Reads count consecutive chip addresses from address on, inside an open chip access with
    // the byte-select line set. Word-wide: two bytes per address, the low lane (byte-select set)
    // first, stored low byte first. Leaves byte-select set. No settle waits. Not one of the six
    // above: the plain version is made of them, an adapter driver may make fewer port accesses.
    virtual void readBlock(std::uint32_t address, std::uint32_t count, bool wordWide,
                           std::uint8_t* out);
};

#endif
