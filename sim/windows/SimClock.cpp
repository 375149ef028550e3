#include "sim/SimClock.h"

#include <windows.h>

namespace sim {

// The performance counter the program busy-waits on.
std::int64_t simClockNs() {
    LARGE_INTEGER frequency{};
    LARGE_INTEGER counter{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    const std::int64_t perSecond = frequency.QuadPart;
    const std::int64_t seconds = counter.QuadPart / perSecond;
    const std::int64_t rest = counter.QuadPart % perSecond;
    return seconds * 1000000000 + rest * 1000000000 / perSecond;
}

}  // namespace sim
