// SPDX-License-Identifier: MIT
// Reconstructs the flash chip's bus cycles from the port lines alone, as a logic analyzer on the
// cable would: the 24-bit address clocked in serially, bytes read back over status bit 6, bytes
// written by the write strobe.
#ifndef LPTFLASH_TRACE_BUSCYCLEDECODER_H
#define LPTFLASH_TRACE_BUSCYCLEDECODER_H

#include <cstdint>

#include "trace/PortEvent.h"
#include "trace/PortLines.h"

namespace trace {

struct BusCycle {
    enum class Kind : std::uint8_t { Read, Write };
    Kind kind;
    std::int64_t timeNs;    // of the event that completed the cycle
    std::uint32_t address;  // 24 bits, as the address register held it
    bool lowByte;           // byte-select line set: the low byte of the word
    std::uint8_t value;
};

class BusCycleDecoder {
  public:
    // True when this event completes a cycle, which is then in cycle.
    bool decode(const PortEvent& event, BusCycle& cycle);
    // The registers before the first event, where known; all lines low otherwise.
    void startFrom(const PortLines& initial) { lines = initial; }
    // Between a read-back's load pulse and its last bit: status reads are read-back bits.
    bool readingBack() const { return reading; }
    const PortLines& currentLines() const { return lines; }

  private:
    PortLines lines;
    std::uint32_t addressRegister = 0;
    // Read-back in progress: loaded by the opening pulse, then one bit per clock pulse.
    bool reading = false;
    int readPulses = 0;
    std::uint8_t readValue = 0;
    std::uint32_t readAddress = 0;
    bool readLowByte = true;
};

}  // namespace trace

#endif
