// SPDX-License-Identifier: MIT
// Names the flash command that a run of write cycles forms, by the chip's command set.
#ifndef LPTFLASH_TRACE_COMMANDNAMER_H
#define LPTFLASH_TRACE_COMMANDNAMER_H

#include <string>

#include "protocol/ChipCommandSet.h"
#include "trace/BusCycleDecoder.h"

namespace trace {

class CommandNamer {
  public:
    // The name of the cycle's part in a command ("reset", "unlock 1/2", "autoselect", "chip
    // erase", ..., "program 0x5A at 0x001234" for the byte a program command writes);
    // "unexpected" for a write that fits no command; empty for reads, which leave a half-entered
    // command as it is.
    std::string name(const BusCycle& cycle);
    // What the last write named was to the chip.
    const ChipCommand::Tracker::Step& lastStep() const { return step; }

  private:
    ChipCommand::Tracker tracker;
    ChipCommand::Tracker::Step step;
};

}  // namespace trace

#endif
