#include "porttrace/CommandNamer.h"

namespace porttrace {

namespace {

// Chips decode the command addresses from the low eleven address lines only.
bool at(const BusCycle& cycle, std::uint32_t address, std::uint8_t value) {
    return (cycle.address & 0x7FF) == address && cycle.value == value;
}

}  // namespace

std::string CommandNamer::name(const BusCycle& cycle) {
    if (cycle.kind == BusCycle::Kind::Read) {
        return {};
    }
    const Step current = step;
    step = Step::Ready;
    if (current == Step::ProgramSetUp) {
        return "program data";
    }
    if (!cycle.lowByte) {
        return "unexpected";  // commands travel on the low byte of the bus
    }
    if (cycle.value == 0xF0) {
        return "reset";
    }
    const bool first = at(cycle, 0x555, 0xAA);
    const bool second = at(cycle, 0x2AA, 0x55);
    switch (current) {
        case Step::Ready:
            break;
        case Step::Unlocked1:
            if (second) {
                step = Step::Unlocked2;
                return "unlock 2/2";
            }
            break;
        case Step::Unlocked2:
            if (at(cycle, 0x555, 0x90)) {
                return "autoselect";
            }
            if (at(cycle, 0x555, 0x80)) {
                step = Step::EraseSetUp;
                return "erase setup";
            }
            if (at(cycle, 0x555, 0xA0)) {
                step = Step::ProgramSetUp;
                return "program";
            }
            break;
        case Step::EraseSetUp:
            if (first) {
                step = Step::EraseUnlocked1;
                return "unlock 1/2";
            }
            break;
        case Step::EraseUnlocked1:
            if (second) {
                step = Step::EraseUnlocked2;
                return "unlock 2/2";
            }
            break;
        case Step::EraseUnlocked2:
            if (at(cycle, 0x555, 0x10)) {
                return "chip erase";
            }
            break;
        case Step::ProgramSetUp:
            break;
    }
    if (first) {
        step = Step::Unlocked1;
        return "unlock 1/2";
    }
    return "unexpected";
}

}  // namespace porttrace
