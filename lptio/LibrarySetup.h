// What the library takes from its OS when first used, one implementation per OS: the way to the
// ports, configured from the environment.
#ifndef LPTFLASH_LPTIO_LIBRARYSETUP_H
#define LPTFLASH_LPTIO_LIBRARYSETUP_H

#include <memory>
#include <string>
#include <vector>

#include "lptio/PortFinder.h"

// problems: the library's other bad settings, one message each; any of them keeps every port
// closed, since a run the user set up wrongly must not go ahead on real hardware.
std::unique_ptr<PortFinder> portFinderFromEnvironment(const std::vector<std::string>& problems);

#endif
