#include "lptio/LibrarySetup.h"

#include <cstdlib>

#include "lptio/LinuxPortSystem.h"
#include "lptio/PortOpener.h"

std::unique_ptr<PortFinder> portFinderFromEnvironment(const std::vector<std::string>& problems) {
    static LinuxPortSystem system;  // holds no state: only the calls
    PortSetting setting =
        parsePortSetting(std::getenv(PortVariable), std::getenv(DirectIoVariable));
    refuseOnProblems(setting, problems);
    return std::make_unique<PortOpener>(system, ParportTree("/"), setting);
}
