// SPDX-License-Identifier: MIT
// Windows' side of the library: the program's port goes to one of the parallel ports Windows
// lists (the one at the program's address, or the one LPTIO_PORT chooses by name or base), and
// its registers are reached through the port-access library. An address Windows does not list
// is used only when LPTIO_FORCE_PORT=1 asks for it, and never where another device's or a
// legacy device's registers are.
#ifndef LPTFLASH_HARDWARE_DRIVERPORTFINDER_H
#define LPTFLASH_HARDWARE_DRIVERPORTFINDER_H

#include "hardware/ListedDevices.h"
#include "hardware/PortDriver.h"
#include "hardware/PortFinder.h"
#include "hardware/PortSetting.h"

constexpr const char* ForcePortVariable = "LPTIO_FORCE_PORT";

// LPTIO_PORT on Windows: "LPT1".."LPT99" (kind Device, device "LPT1") or a base address; and
// LPTIO_FORCE_PORT. Each value is null when its variable is not set.
PortSetting parseWindowsPortSetting(const char* value, const char* force = nullptr);

class DriverPortFinder : public PortFinder {
  public:
    DriverPortFinder(PortDriver& driver, PortSetting setting);

    OpenedPort open(std::uint16_t programBase) override;
    bool oneTarget() const override { return setting.kind != PortSetting::Kind::Unset; }

  private:
    // Windows' parallel ports with a base each; false, with the reason, when some port's I/O
    // ranges are not all known (the ports found are kept).
    bool listPorts(std::vector<ListedPort>& ports, std::string& failure);
    // Whether a forced base reaches no other device's registers; owner names the ones it would,
    // or else says what could not be checked (empty when everything could).
    bool forcedPortFree(std::uint16_t base, std::string& owner);
    // Puts a port whose ECP block is listed into PS/2 mode; what was changed, for the traces.
    std::string compatibleMode(const ListedPort& port);
    std::string driverProblem(PortDriver::State state, const std::string& reason);

    PortDriver& driver;
    PortSetting setting;
};

#endif
