// SPDX-License-Identifier: MIT
// The three registers of one parallel port (offsets as registerOffset gives them), reached one
// way or another. Values are raw register bits; every call acts on the port before it returns.
#ifndef LPTFLASH_HARDWARE_PORTCHANNEL_H
#define LPTFLASH_HARDWARE_PORTCHANNEL_H

#include <cstdint>
#include <string>

#include "os/SystemErrorText.h"
#include "protocol/AdapterLines.h"

class PortChannel {
  public:
    virtual ~PortChannel() = default;
    // Both answer 0 or the errno value of the failed call. The status register is read-only:
    // a write to it is accepted and has no effect.
    virtual int write(unsigned offset, std::uint8_t value) = 0;
    virtual int read(unsigned offset, std::uint8_t& value) = 0;
    // How the port is reached, for messages: "/dev/parport0", "direct I/O at 0x378".
    virtual std::string route() const = 0;
    // Why a call answered error, in the user's words.
    virtual std::string failure(int error) const { return os::systemErrorText(error); }
};

#endif
