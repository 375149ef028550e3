// SPDX-License-Identifier: MIT
#include "hardware/LibrarySetup.h"

#include <cstdlib>

#include "hardware/linux/LinuxPortSystem.h"
#include "hardware/linux/PortOpener.h"

PortSetting portSettingFromEnvironment() {
    return parsePortSetting(std::getenv(PortVariable), std::getenv(DirectIoVariable));
}

std::unique_ptr<PortFinder> portFinderFor(const PortSetting& setting) {
    static LinuxPortSystem system;  // holds no state: only the calls
    return std::make_unique<PortOpener>(system, ParportTree("/"), setting);
}
