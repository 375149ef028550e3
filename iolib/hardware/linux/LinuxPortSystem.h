// SPDX-License-Identifier: MIT
// The real port calls: ppdev ioctls, and ioperm/outb/inb where the machine has I/O ports.
#ifndef LPTFLASH_HARDWARE_LINUXPORTSYSTEM_H
#define LPTFLASH_HARDWARE_LINUXPORTSYSTEM_H

#include <functional>

#include "hardware/PortSystem.h"

class LinuxPortSystem : public PortSystem {
  public:
    int deviceMajor(const std::string& path, unsigned& major) override;
    int openDevice(const std::string& path, int& handle) override;
    int deviceCall(int handle, DeviceCall call, std::uint8_t& value) override;
    void closeDevice(int handle) override;
    int grantPorts(std::uint16_t first, unsigned count) override;
    void outByte(std::uint16_t port, std::uint8_t value) override;
    std::uint8_t inByte(std::uint16_t port) override;
};

// Runs a blocking system call (call answers 0 or an errno value) and interrupts it after the
// limit: it then answers ETIMEDOUT. The program's own signals do not end it early, and those of
// the kind the limit borrows (SIGRTMAX) still reach the program's handler.
int callWithin(unsigned milliseconds, const std::function<int()>& call);

#endif
