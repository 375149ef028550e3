// SPDX-License-Identifier: MIT
// A driver that hands every operation on to the real one and adds up the waits asked of it:
// the fixed waits of the chip protocol, as the flash layer asks for them.
#ifndef LPTFLASH_BENCH_WAITSUMMINGDRIVER_H
#define LPTFLASH_BENCH_WAITSUMMINGDRIVER_H

#include <cstdint>

#include "driver/ProgrammerDriver.h"

class WaitSummingDriver : public ProgrammerDriver {
  public:
    explicit WaitSummingDriver(ProgrammerDriver* real) : real(real) {}

    void delayUs(std::uint32_t microseconds) override {
        waitedUs += microseconds;
        real->delayUs(microseconds);
    }
    void modifyPort(PortRegister portRegister, ChangeWord change) override {
        real->modifyPort(portRegister, change);
    }
    void shiftOut(std::uint32_t value, std::uint8_t bitCount) override {
        real->shiftOut(value, bitCount);
    }
    std::uint8_t shiftInByte() override { return real->shiftInByte(); }
    void putData(std::uint8_t value) override { real->putData(value); }
    // The probe's own waits happen inside the real driver, unseen here.
    std::int32_t detectHardware() override { return real->detectHardware(); }

    std::uint64_t waitedUs = 0;

  private:
    ProgrammerDriver* real;
};

#endif
