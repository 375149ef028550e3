#include "porttrace/CommandNamer.h"

#include <cstdio>

namespace porttrace {

std::string CommandNamer::name(const BusCycle& cycle) {
    if (cycle.kind == BusCycle::Kind::Read) {
        return {};
    }
    if (programData) {
        programData = false;
        char text[40];
        std::snprintf(text, sizeof text, "program 0x%02X at 0x%06X",
                      static_cast<unsigned>(cycle.value), static_cast<unsigned>(cycle.address));
        return text;
    }
    if (!cycle.lowByte) {
        tracker.clear();
        return "unexpected";  // commands travel on the low byte of the bus
    }
    if (cycle.value == ChipCommand::ResetCode) {
        tracker.clear();
        return "reset";
    }
    const ChipCommand::Tracker::Step step = tracker.take(cycle.address, cycle.value);
    programData = step.completed == &ChipCommand::ProgramCommand;
    return step.cycle != nullptr ? step.cycle->name : "unexpected";
}

}  // namespace porttrace
