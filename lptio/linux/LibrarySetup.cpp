// SPDX-License-Identifier: MIT
#include "lptio/LibrarySetup.h"

#include <cstdlib>

#include "lptio/LinuxPortSystem.h"
#include "lptio/PortOpener.h"

PortSetting portSettingFromEnvironment() {
    return parsePortSetting(std::getenv(PortVariable), std::getenv(DirectIoVariable));
}

std::unique_ptr<PortFinder> portFinderFor(const PortSetting& setting) {
    static LinuxPortSystem system;  // holds no state: only the calls
    return std::make_unique<PortOpener>(system, ParportTree("/"), setting);
}
