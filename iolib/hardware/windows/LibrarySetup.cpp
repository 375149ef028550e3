// SPDX-License-Identifier: MIT
#include "hardware/LibrarySetup.h"

#include <cstdlib>

#include "hardware/DriverPortFinder.h"
#include "hardware/windows/WindowsPortDriver.h"

namespace {

// The driver is built before the finder that reaches the ports through it, and outlives it.
struct DriverHolder {
    WindowsPortDriver portDriver;
};

class WindowsPorts : private DriverHolder, public DriverPortFinder {
  public:
    explicit WindowsPorts(const PortSetting& setting) : DriverPortFinder(portDriver, setting) {}
};

}  // namespace

PortSetting portSettingFromEnvironment() {
    return parseWindowsPortSetting(std::getenv(PortVariable), std::getenv(ForcePortVariable));
}

std::unique_ptr<PortFinder> portFinderFor(const PortSetting& setting) {
    return std::make_unique<WindowsPorts>(setting);
}
