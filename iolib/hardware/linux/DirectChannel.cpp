// SPDX-License-Identifier: MIT
#include "hardware/linux/DirectChannel.h"

#include <cerrno>

#include "hardware/PortAddress.h"

DirectChannel::DirectChannel(PortSystem& system, std::uint16_t base) : system(system), base(base) {}

int DirectChannel::write(unsigned offset, std::uint8_t value) {
    if (offset >= PortRegisterCount) {
        return EINVAL;
    }
    // The status register is read-only; on some chips a write clears the EPP timeout flag.
    if (offset != registerOffset(PortRegister::Status)) {
        system.outByte(static_cast<std::uint16_t>(base + offset), value);
    }
    return 0;
}

int DirectChannel::read(unsigned offset, std::uint8_t& value) {
    if (offset >= PortRegisterCount) {
        return EINVAL;
    }
    value = system.inByte(static_cast<std::uint16_t>(base + offset));
    return 0;
}

std::string DirectChannel::route() const {
    return "direct I/O at " + hexAddress(base);
}
