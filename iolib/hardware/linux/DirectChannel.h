// SPDX-License-Identifier: MIT
// A parallel port reached with the processor's I/O instructions, after the kernel granted
// access to its three registers.
#ifndef LPTFLASH_HARDWARE_DIRECTCHANNEL_H
#define LPTFLASH_HARDWARE_DIRECTCHANNEL_H

#include "hardware/PortChannel.h"
#include "hardware/PortSystem.h"

class DirectChannel : public PortChannel {
  public:
    DirectChannel(PortSystem& system, std::uint16_t base);

    int write(unsigned offset, std::uint8_t value) override;
    int read(unsigned offset, std::uint8_t& value) override;
    std::string route() const override;

  private:
    PortSystem& system;
    std::uint16_t base;
};

#endif
