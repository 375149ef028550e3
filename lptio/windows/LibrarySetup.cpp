#include "lptio/LibrarySetup.h"

#include <windows.h>

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
    PortSetting setting = parseWindowsPortSetting(std::getenv("LPTIO_PORT"));
    refuseOnProblems(setting, problems);
    return std::make_unique<WindowsPorts>(setting, std::getenv("LPTIO_FORCE_PORT"));
}

std::int64_t monotonicNanoseconds() {
    // The performance counter: what flashtest.exe times its lines with.
    LARGE_INTEGER frequency{};
    LARGE_INTEGER now{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    const std::int64_t seconds = now.QuadPart / frequency.QuadPart;
    const std::int64_t rest = now.QuadPart % frequency.QuadPart;
    return seconds * 1000000000 + rest * 1000000000 / frequency.QuadPart;
}
