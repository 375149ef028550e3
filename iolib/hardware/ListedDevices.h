// SPDX-License-Identifier: MIT
// What Windows' device lists say, read without Windows: a parallel port's register block and
// ECP block among its I/O ranges, whether a device's ranges are all known, the names of the
// configuration manager's and WMI's status codes, and the legacy devices whose registers are
// never a parallel port.
#ifndef LPTFLASH_HARDWARE_LISTEDDEVICES_H
#define LPTFLASH_HARDWARE_LISTEDDEVICES_H

#include <cstdint>
#include <string>
#include <vector>

#include "hardware/PortDriver.h"

// A parallel port Windows lists, with the base taken among its ranges.
struct ListedPort {
    std::string name;  // "LPT1", as Windows names it
    std::uint16_t base = 0;
    std::uint16_t modeRegister = 0;  // the ECP block's mode register (ECR); 0: no ECP block
    std::vector<IoRange> ranges;     // all of the device's, for messages
    bool baseGuessed = false;        // several register blocks, and no ECP block told which
};

// The register block among a port's ranges: the range R of three to eight ports whose ECP
// block R+0x400 is listed too; else the only such range; else the first of eight ports (a PCI
// card's register block usually comes first), marked as guessed. False when none fits, as for
// a printer port without I/O ports.
bool portBaseAmong(const std::vector<IoRange>& ranges, ListedPort& port);

// Whether address starts another of the port's register blocks, where its base was guessed.
bool otherRegisterBlock(const ListedPort& port, std::uint16_t address);

// Why a device's ranges are not all known, in the user's words; empty when they are. A device
// without any (CR_NO_MORE_LOG_CONF) is complete.
std::string rangesUnknown(const DeviceResources& device);

// "CR_NO_SUCH_VALUE (0x25)"; the number alone for a code without a known name.
std::string configResultText(unsigned long result);
// "0x80041003 WBEM_E_ACCESS_DENIED", then Windows' words when given.
std::string hresultText(long status, const std::string& words = "");

// "0x378-0x37f"
std::string rangeText(const IoRange& range);

// The legacy device whose fixed registers overlap first..last, which are never a parallel port's
// (the system board's, disk and floppy controllers', serial ports', the display's); null if none.
const char* legacyDeviceAt(unsigned first, unsigned last);

#endif
