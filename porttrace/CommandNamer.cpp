#include "porttrace/CommandNamer.h"

namespace porttrace {

std::string CommandNamer::name(const BusCycle& cycle) {
    if (cycle.kind == BusCycle::Kind::Read) {
        return {};
    }
    if (programData) {
        programData = false;
        return "program data";
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
