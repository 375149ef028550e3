// Windows' way to a parallel port: a port-access library whose signed kernel driver performs the
// I/O instructions, and Windows' own list of parallel ports with their I/O ranges. Behind one
// seam, so that the choice of port and every message can be exercised without Windows.
#ifndef LPTFLASH_LPTIO_PORTDRIVER_H
#define LPTFLASH_LPTIO_PORTDRIVER_H

#include <cstdint>
#include <string>
#include <vector>

struct ListedPort {
    std::string name;  // "LPT1", as Windows names it
    std::uint16_t base = 0;
};

// An I/O range Windows allocated to a device, inclusive.
struct IoRange {
    unsigned long long first;
    unsigned long long last;
};

// A parallel port's base among its device's I/O ranges: the first range of eight ports (the
// register block; an ECP block may follow), else the first of three to eight (a legacy port at
// 0x3bc). False when none fits, as for a printer port without I/O ports.
bool portBaseAmong(const std::vector<IoRange>& ranges, std::uint16_t& base);

class PortDriver {
  public:
    enum class State {
        Ready,
        LibraryMissing,   // neither beside io.dll nor on the DLL path
        LibraryUnusable,  // found, but it cannot be loaded or lacks an entry point
        DriverNotOpen,    // loaded, but its kernel driver is not running
    };

    virtual ~PortDriver() = default;
    // The library that matches this process's bitness: "inpoutx64.dll" or "inpout32.dll".
    virtual std::string libraryName() const = 0;
    // Loads the library once; reason says why it is unusable.
    virtual State load(std::string& reason) = 0;
    // Windows' Memory Integrity (hypervisor-enforced code integrity) refuses the driver.
    virtual bool memoryIntegrityOn() = 0;
    // Windows' parallel ports in its order; false, with the reason, when it cannot tell.
    virtual bool listPorts(std::vector<ListedPort>& ports, std::string& reason) = 0;
    virtual void outByte(std::uint16_t port, std::uint8_t value) = 0;
    virtual std::uint8_t inByte(std::uint16_t port) = 0;
};

#endif
