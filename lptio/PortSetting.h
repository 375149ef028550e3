// LPTIO_PORT: which parallel port the program's I/O addresses reach, for ports that do not sit
// at the address the program uses (PCI and PCIe cards, a second port).
#ifndef LPTFLASH_LPTIO_PORTSETTING_H
#define LPTFLASH_LPTIO_PORTSETTING_H

#include <cstdint>
#include <string>

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
    std::string problem;  // for Invalid: the message naming the value and the accepted forms
};

// value is null when the variable is not set.
PortSetting parsePortSetting(const char* value);

#endif
