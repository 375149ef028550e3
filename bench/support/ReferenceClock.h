// SPDX-License-Identifier: MIT
// A stopwatch that shares nothing with the program's own counter: the processor's time-stamp
// counter, scaled by one calibration against the kernel's unslewed raw monotonic clock.
#ifndef LPTFLASH_BENCH_REFERENCECLOCK_H
#define LPTFLASH_BENCH_REFERENCECLOCK_H

#include <cstdint>

class ReferenceClock {
  public:
    // Calibrates, busy for about 100 ms.
    ReferenceClock();

    // A reading that no earlier or later instruction is moved across.
    static std::uint64_t now();

    double nanoseconds(std::uint64_t ticks) const {
        return static_cast<double>(ticks) / ticksPerNs;
    }

    // Median time that two back-to-back readings report with nothing between them: what a
    // measured span overstates by.
    double bracketNs() const { return bracket; }

  private:
    double ticksPerNs;
    double bracket;
};

#endif
