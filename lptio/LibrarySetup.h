// What the library takes from its OS when first used, one implementation per OS: the way to the
// ports, configured from the environment, and the clock that times the traces.
#ifndef LPTFLASH_LPTIO_LIBRARYSETUP_H
#define LPTFLASH_LPTIO_LIBRARYSETUP_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "lptio/PortFinder.h"

// problems: the library's other bad settings, one message each; any of them keeps every port
// closed, since a run the user set up wrongly must not go ahead on real hardware.
std::unique_ptr<PortFinder> portFinderFromEnvironment(const std::vector<std::string>& problems);

// Nanoseconds on the clock flashtest times its lines with.
std::int64_t monotonicNanoseconds();

#endif
