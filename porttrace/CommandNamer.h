// Names the flash command that a run of write cycles forms, in the common unlock-cycle command
// set (0xAA at 0x555, 0x55 at 0x2AA, then the command byte).
#ifndef LPTFLASH_PORTTRACE_COMMANDNAMER_H
#define LPTFLASH_PORTTRACE_COMMANDNAMER_H

#include <cstdint>
#include <string>

#include "porttrace/BusCycleDecoder.h"

namespace porttrace {

class CommandNamer {
  public:
    // The name of the cycle's part in a command ("reset", "unlock 1/2", "autoselect", "chip
    // erase", ...); "unexpected" for a write that fits no command; empty for reads, which leave
    // a half-entered command as it is.
    std::string name(const BusCycle& cycle);

  private:
    enum class Step : std::uint8_t {
        Ready,
        Unlocked1,
        Unlocked2,
        EraseSetUp,
        EraseUnlocked1,
        EraseUnlocked2,
        ProgramSetUp,
    };
    Step step = Step::Ready;
};

}  // namespace porttrace

#endif
