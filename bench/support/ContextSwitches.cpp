// SPDX-License-Identifier: MIT
#include "ContextSwitches.h"

#include <sys/resource.h>

std::int64_t involuntaryContextSwitches() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nivcsw;
}
