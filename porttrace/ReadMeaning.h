// What a read cycle's byte is, judged from the commands before it: an identifier code in
// autoselect mode (naming the chip once its codes match the chip table), or the status a chip
// gives instead of data while a chip erase runs.
#ifndef LPTFLASH_PORTTRACE_READMEANING_H
#define LPTFLASH_PORTTRACE_READMEANING_H

#include <cstdint>
#include <string>

#include "porttrace/BusCycleDecoder.h"

namespace porttrace {

class ReadMeaning {
  public:
    // A write and the command name it was given.
    void written(const std::string& command);
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
    bool erasing = false;
    int lastToggleBit[2] = {-1, -1};  // DQ6 of the previous status read per lane; -1: none yet
};

}  // namespace porttrace

#endif
