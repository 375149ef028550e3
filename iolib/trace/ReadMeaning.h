// SPDX-License-Identifier: MIT
// What a read cycle's byte is, judged from the commands before it: an identifier code in
// autoselect mode (naming the chip once its codes match the chip table), or the status a chip
// gives instead of data while a chip erase or a byte program runs.
#ifndef LPTFLASH_TRACE_READMEANING_H
#define LPTFLASH_TRACE_READMEANING_H

#include <cstdint>
#include <string>

#include "protocol/ChipCommandSet.h"
#include "trace/BusCycleDecoder.h"

namespace trace {

class ReadMeaning {
  public:
    // A write: what it was to the chip, and its byte.
    void written(const ChipCommand::Tracker::Step& step, std::uint8_t value);
    // The read's meaning; empty for plain data.
    std::string of(const BusCycle& read);

  private:
    std::string identifier(const BusCycle& read);
    const char* matchingChip() const;

    bool autoselect = false;
    // Codes read at autoselect addresses 0, 1, 14 and 15, per byte lane.
    std::uint8_t codes[4][2] = {};
    bool known[4][2] = {};
    bool chipNamed = false;
    // The erase or program whose status reads give: the DQ7 that means done (1 for an erase,
    // the data's bit 7 for a program); whether DQ5 told of a failure, which a reset ends.
    const char* running = nullptr;
    std::uint8_t doneBit7 = 0;
    bool timedOut = false;
};

}  // namespace trace

#endif
