// SPDX-License-Identifier: MIT
#include "hardware/PortTraceObserver.h"

#include <cstdio>
#include <string>
#include <vector>

#include "hardware/PortAddress.h"

void PortTraceObserver::portWritten(std::uint16_t address, std::uint8_t value) {
    portTrace.written(clock(), static_cast<PortRegister>(registerOffsetOf(address)), value);
}

void PortTraceObserver::portRead(std::uint16_t address, std::uint8_t value) {
    portTrace.read(clock(), static_cast<PortRegister>(registerOffsetOf(address)), value);
}

// The first claimed port opens the traces: the claim is what tells this run from one turned away.
// A trace that cannot be taken then is said, and the run goes on without it.
void PortTraceObserver::portOpened(std::uint16_t, std::uint8_t data, std::uint8_t status,
                                   std::uint8_t control) {
    if (!tracesOpened) {
        tracesOpened = true;
        std::vector<std::string> problems;
        portTrace.openFromEnvironment(problems);
        for (const std::string& problem : problems) {
            std::fprintf(stderr, "%s\n", problem.c_str());
        }
    }
    portTrace.initialValues(data, status, control);
}
