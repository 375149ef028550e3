// SPDX-License-Identifier: MIT
// A parallel port reached through an opened and claimed ppdev device.
#ifndef LPTFLASH_HARDWARE_PPDEVCHANNEL_H
#define LPTFLASH_HARDWARE_PPDEVCHANNEL_H

#include "hardware/PortChannel.h"
#include "hardware/PortSystem.h"

class PpdevChannel : public PortChannel {
  public:
    // Takes over a device that is open and claimed; closes it when destroyed, which releases it.
    PpdevChannel(PortSystem& system, int handle, std::string path);
    ~PpdevChannel() override;
    PpdevChannel(const PpdevChannel&) = delete;
    PpdevChannel& operator=(const PpdevChannel&) = delete;

    int write(unsigned offset, std::uint8_t value) override;
    int read(unsigned offset, std::uint8_t& value) override;
    std::string route() const override { return path; }

  private:
    PortSystem& system;
    int handle;
    std::string path;
    bool dataReversed = false;  // control bit 5, which ppdev keeps apart from the control byte
};

#endif
