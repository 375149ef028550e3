// SPDX-License-Identifier: MIT
// LPTIO_PORT: which parallel port the program's I/O addresses reach, for ports that do not sit
// at the address the program uses (PCI and PCIe cards, a second port).
#ifndef LPTFLASH_HARDWARE_PORTSETTING_H
#define LPTFLASH_HARDWARE_PORTSETTING_H

#include <cstdint>
#include <string>
#include <vector>

struct PortSetting {
    enum class Kind {
        Unset,    // each address goes to the port at that address
        Device,   // a ppdev device: "/dev/parport1" or "parport1"
        Address,  // a base address: "0xd010" or "53264"
        Invalid,
    };
    Kind kind = Kind::Unset;
    std::string device;
    std::uint16_t base = 0;
    // LPTIO_DIRECT_IO=1: where ppdev does not serve the port, ioperm/outb may. Never by default.
    bool directIo = false;
    // LPTIO_FORCE_PORT=1 (Windows): an address Windows does not list as a parallel port is used.
    bool forceUnlisted = false;
    // For Invalid: one line per bad setting, naming it, its value and the accepted values.
    std::string problem;
};

constexpr const char* PortVariable = "LPTIO_PORT";
constexpr const char* DirectIoVariable = "LPTIO_DIRECT_IO";

// LPTIO_PORT and LPTIO_DIRECT_IO; each value is null when its variable is not set.
PortSetting parsePortSetting(const char* value, const char* directIo = nullptr);

// Other settings of the library that are bad (one message each) keep it off the port too: a run
// the user set up wrongly must not go ahead on real hardware.
void refuseOnProblems(PortSetting& setting, const std::vector<std::string>& problems);

// The start of every "cannot reach" line: the program's address and, when set, where LPTIO_PORT
// sends it.
std::string unreachableHeading(std::uint16_t programBase, const PortSetting& setting);

#endif
