// SPDX-License-Identifier: MIT
// The operating-system calls that reach a parallel port, behind one seam so that everything
// deciding which calls to make can be exercised without hardware or root.
#ifndef LPTFLASH_HARDWARE_PORTSYSTEM_H
#define LPTFLASH_HARDWARE_PORTSYSTEM_H

#include <cstdint>
#include <string>

// Longest wait for a port that another program holds. ppdev waits for it under the one lock all
// of its users share, so the holder's own calls, its release included, stall meanwhile.
constexpr unsigned ClaimWaitSeconds = 2;

// The register operations of a ppdev device (/dev/parportN) that this library uses. There is no
// release: closing the device releases it without that shared lock.
enum class DeviceCall {
    Claim,  // EBUSY when the port stayed held for ClaimWaitSeconds
    WriteData,
    WriteControl,
    ReadData,
    ReadControl,
    ReadStatus,
    DataForward,  // data lines driven by the port
    DataReverse,  // data lines left to the device
};

// Every call answers 0 on success or an errno value.
class PortSystem {
  public:
    virtual ~PortSystem() = default;

    // The major number of the character device at path; 0 when it is something else.
    virtual int deviceMajor(const std::string& path, unsigned& major) = 0;
    virtual int openDevice(const std::string& path, int& handle) = 0;
    // value carries the byte written, or receives the byte read; other calls ignore it.
    virtual int deviceCall(int handle, DeviceCall call, std::uint8_t& value) = 0;
    virtual void closeDevice(int handle) = 0;

    // Direct access to count I/O ports from first on (x86 only).
    virtual int grantPorts(std::uint16_t first, unsigned count) = 0;
    virtual void outByte(std::uint16_t port, std::uint8_t value) = 0;
    virtual std::uint8_t inByte(std::uint16_t port) = 0;
};

#endif
