// SPDX-License-Identifier: MIT
#include "trace/CommandNamer.h"

#include <cstdio>

namespace trace {

std::string CommandNamer::name(const BusCycle& cycle) {
    if (cycle.kind == BusCycle::Kind::Read) {
        return {};
    }
    step = tracker.take(cycle.address, cycle.lowByte, cycle.value);
    switch (step.kind) {
        case ChipCommand::Tracker::Kind::Reset:
            return "reset";
        case ChipCommand::Tracker::Kind::Command:
            return step.cycle->name;
        case ChipCommand::Tracker::Kind::ProgramData: {
            char text[40];
            std::snprintf(text, sizeof text, "program 0x%02X at 0x%06X",
                          static_cast<unsigned>(cycle.value), static_cast<unsigned>(cycle.address));
            return text;
        }
        default:
            return "unexpected";
    }
}

}  // namespace trace
