// SPDX-License-Identifier: MIT
// Windows' way to a parallel port: a port-access library whose signed kernel driver performs the
// I/O instructions, and Windows' own lists of devices with their I/O ranges. Behind one seam
// that gives Windows' answers as they come (its numbers included), so that the choice of port,
// the reading of those answers and every message can be exercised without Windows.
#ifndef LPTFLASH_HARDWARE_PORTDRIVER_H
#define LPTFLASH_HARDWARE_PORTDRIVER_H

#include <cstdint>
#include <string>
#include <vector>

// An I/O range Windows allocated to a device, inclusive.
struct IoRange {
    unsigned long long first;
    unsigned long long last;
};

// One device and its I/O ranges, as Windows answered for it.
struct DeviceResources {
    std::string name;  // "LPT1" for a parallel port; another device's description
    bool parallelPort = false;
    std::vector<IoRange> ranges;  // in the order Windows gave them
    // The configuration manager's answer (a CONFIGRET: 0 is success). A 32-bit process on 64-bit
    // Windows gets CR_CALL_NOT_IMPLEMENTED and asks WMI: its last status then (an HRESULT:
    // WBEM_S_FALSE at the end of a complete answer), with Windows' words for it when it has some.
    unsigned long configResult = 0;
    long wmiStatus = 0;
    std::string wmiText;
};

class PortDriver {
  public:
    enum class State {
        Ready,
        LibraryMissing,   // neither beside io.dll nor in Windows' system folder
        LibraryUnusable,  // found, but it cannot be loaded or lacks an entry point
        DriverNotOpen,    // loaded, but its kernel driver is not running
    };

    virtual ~PortDriver() = default;
    // The library that matches this process's bitness: "inpoutx64.dll" or "inpout32.dll".
    virtual std::string libraryName() const = 0;
    // Loads the library once (an elevated first load installs its driver); reason says why it
    // is unusable.
    virtual State load(std::string& reason) = 0;
    // Whether this process runs elevated (as Administrator).
    virtual bool elevated() = 0;
    // The running code-integrity options (CODEINTEGRITY_OPTION_*); false when unknown.
    virtual bool codeIntegrityOptions(unsigned long& options) = 0;
    // The present parallel ports (the ports class's devices named LPTn), or every present device;
    // false, with the reason, when the devices cannot be listed at all.
    virtual bool listDevices(bool everyDevice, std::vector<DeviceResources>& devices,
                             std::string& reason) = 0;
    virtual void outByte(std::uint16_t port, std::uint8_t value) = 0;
    virtual std::uint8_t inByte(std::uint16_t port) = 0;
};

#endif
