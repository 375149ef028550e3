// SPDX-License-Identifier: MIT
// What the library takes from its OS when first used, one implementation per OS: its port
// settings from the environment, and the way to the ports they choose.
#ifndef LPTFLASH_HARDWARE_LIBRARYSETUP_H
#define LPTFLASH_HARDWARE_LIBRARYSETUP_H

#include <memory>

#include "hardware/PortFinder.h"
#include "hardware/PortSetting.h"

// LPTIO_PORT and the OS's other port settings.
PortSetting portSettingFromEnvironment();

// An Invalid setting keeps every port closed.
std::unique_ptr<PortFinder> portFinderFor(const PortSetting& setting);

#endif
