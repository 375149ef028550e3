// SPDX-License-Identifier: MIT
#include "lptflash/Progress.h"

#include <cstdio>

namespace {
constexpr int LineWidth = 79;
}  // namespace

std::string durationText(std::uint64_t microseconds) {
    char text[32];
    const std::uint64_t seconds = microseconds / 1000000;
    if (seconds >= 60) {
        std::snprintf(text, sizeof text, "%llu min %02llu s",
                      static_cast<unsigned long long>(seconds / 60),
                      static_cast<unsigned long long>(seconds % 60));
    } else {
        std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(microseconds) / 1e6);
    }
    return text;
}

std::string rateText(std::uint64_t bytes, std::uint64_t microseconds) {
    const double perSecond =
        static_cast<double>(bytes) * 1e6 / static_cast<double>(microseconds > 0 ? microseconds : 1);
    char text[32];
    if (perSecond >= 1e6) {
        std::snprintf(text, sizeof text, "%.2f MB/s", perSecond / 1e6);
    } else {
        std::snprintf(text, sizeof text, "%.1f kB/s", perSecond / 1e3);
    }
    return text;
}

Progress::Progress(bool shown, const char* what, std::uint64_t totalBytes)
    : shown(shown), what(what), total(totalBytes) {}

Progress::~Progress() {
    if (drawn) {
        std::fprintf(stderr, "\r%*s\r", LineWidth, "");
        std::fflush(stderr);
    }
}

bool Progress::due() {
    if (!shown) {
        return false;
    }
    const std::uint64_t now = watch.elapsedUs();
    if (drawn && now - lastDrawUs < 100000) {
        return false;
    }
    lastDrawUs = now;
    return true;
}

void Progress::draw(const std::string& line) {
    // Back to the line's start, padded over the last one; kept short of 80 columns so that it
    // never wraps, with no escape sequences, which older Windows consoles print as text.
    std::fprintf(stderr, "\r%-*.*s", LineWidth, LineWidth, line.c_str());
    std::fflush(stderr);
    drawn = true;
}

void Progress::bytesDone(std::uint64_t done) {
    if (!due() || total == 0) {
        return;
    }
    const std::uint64_t elapsed = watch.elapsedUs();
    const std::uint64_t left = done > 0
                                   ? static_cast<std::uint64_t>(static_cast<double>(elapsed) *
                                                                static_cast<double>(total - done) /
                                                                static_cast<double>(done))
                                   : 0;
    char line[160];
    std::snprintf(line, sizeof line, "%s %3u%%  %llu of %llu bytes  %s  %s left", what,
                  static_cast<unsigned>(done * 100 / total), static_cast<unsigned long long>(done),
                  static_cast<unsigned long long>(total), rateText(done, elapsed).c_str(),
                  done > 0 ? durationText(left).c_str() : "?");
    draw(line);
}

void Progress::waited(std::uint64_t elapsedUs, std::uint32_t typicalMs, std::uint32_t maximumMs) {
    if (!due()) {
        return;
    }
    std::string line = std::string(what) + " " + durationText(elapsedUs);
    if (typicalMs > 0) {
        line += " (typically " + durationText(std::uint64_t{typicalMs} * 1000) + ", at most " +
                durationText(std::uint64_t{maximumMs} * 1000) + ")";
    } else {
        line += " (unknown chip: at most " + durationText(std::uint64_t{maximumMs} * 1000) + ")";
    }
    draw(line);
}

std::string Progress::summary(std::uint64_t bytes) const {
    const std::uint64_t elapsed = watch.elapsedUs();
    return std::to_string(bytes) + " bytes in " + durationText(elapsed) + " (" +
           rateText(bytes, elapsed) + ")";
}
