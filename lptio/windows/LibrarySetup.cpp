#include "lptio/LibrarySetup.h"

#include <cstdlib>

#include "lptio/DriverPortFinder.h"
#include "lptio/windows/WindowsPortDriver.h"

namespace {

// The driver is built before the finder that reaches the ports through it, and outlives it.
struct DriverHolder {
    WindowsPortDriver portDriver;
};

class WindowsPorts : private DriverHolder, public DriverPortFinder {
  public:
    WindowsPorts(PortSetting setting, const char* force)
        : DriverPortFinder(portDriver, std::move(setting), force) {}
};

}  // namespace

std::unique_ptr<PortFinder> portFinderFromEnvironment(const std::vector<std::string>& problems) {
    PortSetting setting = parseWindowsPortSetting(std::getenv(PortVariable));
    refuseOnProblems(setting, problems);
    return std::make_unique<WindowsPorts>(setting, std::getenv(ForcePortVariable));
}
