// SPDX-License-Identifier: MIT
// The progress line on stderr, drawn only when stderr is a terminal and -q was not given, and
// the figures of the one-line summary.
#ifndef LPTFLASH_LPTFLASH_PROGRESS_H
#define LPTFLASH_LPTFLASH_PROGRESS_H

#include <cstdint>
#include <string>

#include "flash/Stopwatch.h"

class Progress {
  public:
    Progress(bool shown, const char* what, std::uint64_t totalBytes);
    ~Progress();  // clears the line it drew
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Percent, bytes, rate, time left; at most ten times a second.
    void bytesDone(std::uint64_t done);
    // An erase: time elapsed against the chip's typical and maximum time (0: not known).
    void waited(std::uint64_t elapsedUs, std::uint32_t typicalMs, std::uint32_t maximumMs);

    std::uint64_t elapsedUs() const { return watch.elapsedUs(); }
    // "16777216 bytes in 12.3 s (1.36 MB/s)"
    std::string summary(std::uint64_t bytes) const;

  private:
    bool due();
    void draw(const std::string& line);

    bool shown;
    const char* what;
    std::uint64_t total;
    Stopwatch watch;
    std::uint64_t lastDrawUs = 0;
    bool drawn = false;
};

// "12.3 s", "2 min 05 s"
std::string durationText(std::uint64_t microseconds);
// "1.36 MB/s", "812 kB/s"
std::string rateText(std::uint64_t bytes, std::uint64_t microseconds);

#endif
