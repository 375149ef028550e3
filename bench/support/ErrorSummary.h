// SPDX-License-Identifier: MIT
// How far a set of waits missed what was asked, in the terms the benchmarks report.
#ifndef LPTFLASH_BENCH_ERRORSUMMARY_H
#define LPTFLASH_BENCH_ERRORSUMMARY_H

#include <cstddef>
#include <vector>

struct ErrorSummary {
    std::size_t samples = 0;
    double minNs = 0;
    double medianNs = 0;
    double p99Ns = 0;
    double maxNs = 0;
    double earlyPercent = 0;      // waits shorter than asked
    double earliestNs = 0;        // by how much the shortest fell short; 0 when none did
    std::size_t earlyBeyond = 0;  // waits short by more than the given tolerance
};

// errorsNs: actual minus asked duration of each wait, negative when it ended early.
ErrorSummary summariseErrors(std::vector<double> errorsNs, double toleranceNs);

#endif
