// SPDX-License-Identifier: MIT
// Elapsed time for status polling, from the counter the busy waits use: the platform's, or at
// the same link seam a test's fake.
#ifndef LPTFLASH_FLASH_STOPWATCH_H
#define LPTFLASH_FLASH_STOPWATCH_H

#include <cstdint>

class Stopwatch {
  public:
    Stopwatch();
    std::uint64_t elapsedUs() const;

  private:
    std::int64_t frequency;
    std::int64_t start;
};

#endif
