// SPDX-License-Identifier: MIT
// Writes the port lines as a value change dump that waveform viewers open like a logic-analyzer
// capture: one 1-bit wire per line (multi-bit signals make sigrok 0.5 show nothing), named by
// register bit and role, and one more, status_read, that toggles at each read of the status
// register: the moments the program sampled S6 and S7. Times in nanoseconds from the first event.
// At the first chip access a GTKWave save file that shows it is written beside the dump; a run
// that never accessed the chip gets one of the whole run when the dump is closed.
#ifndef LPTFLASH_TRACE_VCDWRITER_H
#define LPTFLASH_TRACE_VCDWRITER_H

#include <cstdint>
#include <string>

#include "trace/PortEvent.h"
#include "trace/PortLines.h"
#include "trace/TraceFile.h"

namespace trace {

class VcdWriter {
  public:
    VcdWriter() = default;
    ~VcdWriter() { close(); }
    VcdWriter(const VcdWriter&) = delete;
    VcdWriter& operator=(const VcdWriter&) = delete;

    // Creates the file and writes the header; false and why on failure.
    bool open(const std::string& path, std::string& reason);
    // The lines before the first event, if known then: all low otherwise.
    void initialValues(const PortLines& initial);
    void record(const PortEvent& event);
    void close();

  private:
    void noteChipAccess(const PortLines& next, std::int64_t time);
    void writeView(std::int64_t startNs, std::int64_t endNs);

    TraceFile file{"$comment ", " $end"};
    std::string path;
    bool viewWritten = false;
    std::int64_t enableRoseNs = 0;
    PortLines lines;
    bool statusRead = false;
    bool dumped = false;  // the initial values
    bool started = false;
    std::int64_t originNs = 0;
    std::int64_t lastTimeNs = 0;
};

}  // namespace trace

#endif
