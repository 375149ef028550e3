// SPDX-License-Identifier: MIT
#include "ErrorSummary.h"

#include <algorithm>
#include <cmath>

namespace {

// Nearest-rank percentile of sorted values: never interpolates a value that did not occur.
double percentile(const std::vector<double>& sorted, double fraction) {
    const auto rank =
        static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
    return sorted[std::max<std::size_t>(rank, 1) - 1];
}

}  // namespace

ErrorSummary summariseErrors(std::vector<double> errorsNs, double toleranceNs) {
    ErrorSummary summary;
    if (errorsNs.empty()) {
        return summary;
    }
    std::sort(errorsNs.begin(), errorsNs.end());
    summary.samples = errorsNs.size();
    summary.minNs = errorsNs.front();
    summary.medianNs = percentile(errorsNs, 0.5);
    summary.p99Ns = percentile(errorsNs, 0.99);
    summary.maxNs = errorsNs.back();
    const auto early = static_cast<std::size_t>(
        std::lower_bound(errorsNs.begin(), errorsNs.end(), 0.0) - errorsNs.begin());
    summary.earlyPercent =
        100.0 * static_cast<double>(early) / static_cast<double>(errorsNs.size());
    summary.earliestNs = early > 0 ? -errorsNs.front() : 0.0;
    summary.earlyBeyond = static_cast<std::size_t>(
        std::lower_bound(errorsNs.begin(), errorsNs.end(), -toleranceNs) - errorsNs.begin());
    return summary;
}
