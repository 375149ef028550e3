#include "sim/SimClock.h"

#include <time.h>

namespace sim {

// Through the C library, like the program's counter, so a preloaded clock reaches both.
std::int64_t simClockNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace sim
