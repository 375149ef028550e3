// The simulator's clock: the one the program times its waits with, so that a sped-up clock
// speeds up the simulated chip alike and trace times match the program's.
#ifndef LPTFLASH_SIM_SIMCLOCK_H
#define LPTFLASH_SIM_SIMCLOCK_H

#include <cstdint>

namespace sim {

// Nanoseconds of a monotonic clock with an arbitrary origin.
std::int64_t simClockNs();

}  // namespace sim

#endif
