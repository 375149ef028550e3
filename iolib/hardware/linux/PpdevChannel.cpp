// SPDX-License-Identifier: MIT
#include "hardware/linux/PpdevChannel.h"

#include <cerrno>

namespace {

// ppdev's control write passes bits 0-3 (strobe, auto-feed, init, select-in) and takes bit 5
// as a one-way switch to reverse; the data direction therefore goes through its own call.
constexpr std::uint8_t ControlLines = 0x0F;
constexpr std::uint8_t DataReverseBit = 0x20;

}  // namespace

PpdevChannel::PpdevChannel(PortSystem& system, int handle, std::string path)
    : system(system), handle(handle), path(std::move(path)) {}

PpdevChannel::~PpdevChannel() {
    system.closeDevice(handle);
}

int PpdevChannel::write(unsigned offset, std::uint8_t value) {
    switch (offset) {
        case registerOffset(PortRegister::Data):
            return system.deviceCall(handle, DeviceCall::WriteData, value);
        case registerOffset(PortRegister::Status):
            return 0;
        case registerOffset(PortRegister::Control): {
            const bool reverse = (value & DataReverseBit) != 0;
            if (reverse != dataReversed) {
                std::uint8_t unused = 0;
                const int result = system.deviceCall(
                    handle, reverse ? DeviceCall::DataReverse : DeviceCall::DataForward, unused);
                if (result != 0) {
                    return result;
                }
                dataReversed = reverse;
            }
            std::uint8_t lines = value & ControlLines;
            return system.deviceCall(handle, DeviceCall::WriteControl, lines);
        }
        default:
            return EINVAL;
    }
}

int PpdevChannel::read(unsigned offset, std::uint8_t& value) {
    switch (offset) {
        case registerOffset(PortRegister::Data):
            return system.deviceCall(handle, DeviceCall::ReadData, value);
        case registerOffset(PortRegister::Status):
            return system.deviceCall(handle, DeviceCall::ReadStatus, value);
        case registerOffset(PortRegister::Control): {
            const int result = system.deviceCall(handle, DeviceCall::ReadControl, value);
            if (dataReversed) {
                value |= DataReverseBit;
            }
            return result;
        }
        default:
            return EINVAL;
    }
}
