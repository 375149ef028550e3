// SPDX-License-Identifier: MIT
// Finds and opens the parallel port behind the program's I/O addresses: the ppdev device of the
// kernel's port at that base (or the one LPTIO_PORT names), else, when LPTIO_DIRECT_IO allows it
// and no other driver uses the addresses, direct I/O. When nothing works it says why, and what
// to do about it, in one line.
#ifndef LPTFLASH_HARDWARE_PORTOPENER_H
#define LPTFLASH_HARDWARE_PORTOPENER_H

#include <memory>

#include "hardware/PortFinder.h"
#include "hardware/PortSetting.h"
#include "hardware/PortSystem.h"
#include "hardware/linux/ParportTree.h"

class PortOpener : public PortFinder {
  public:
    PortOpener(PortSystem& system, ParportTree tree, PortSetting setting);

    OpenedPort open(std::uint16_t programBase) override;
    // LPTIO_PORT is set: every base the program uses goes to the one port it names.
    bool oneTarget() const override { return setting.kind != PortSetting::Kind::Unset; }

  private:
    struct Attempt {
        std::unique_ptr<PortChannel> channel;
        std::string reason;     // why it failed
        bool worthFallingBack;  // false when the fix lies with the user, not another route
    };

    Attempt openDevice(const std::string& path);
    Attempt openDirect(std::uint16_t base, const std::vector<KernelPort>& ports);
    OpenedPort openAt(std::uint16_t programBase, std::uint16_t target);
    // Whether path is the ppdev device of a port the kernel lists.
    bool servesKernelPort(const std::string& path) const;

    PortSystem& system;
    ParportTree tree;
    PortSetting setting;
};

#endif
