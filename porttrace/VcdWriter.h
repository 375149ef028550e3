// Writes the port lines as a value change dump that waveform viewers open like a logic-analyzer
// capture: one 1-bit wire per line (multi-bit signals make some readers show nothing), times in
// nanoseconds from the first event.
#ifndef LPTFLASH_PORTTRACE_VCDWRITER_H
#define LPTFLASH_PORTTRACE_VCDWRITER_H

#include <cstdint>
#include <string>

#include "porttrace/PortEvent.h"
#include "porttrace/PortLines.h"
#include "porttrace/TraceFile.h"

namespace porttrace {

class VcdWriter {
  public:
    // Creates the file and writes the header; false and why on failure.
    bool open(const std::string& path, std::string& reason);
    // The lines before the first event, if known then: all low otherwise.
    void initialValues(const PortLines& initial);
    void record(const PortEvent& event);
    void close() { file.close(); }

  private:
    TraceFile file;
    PortLines lines;
    bool dumped = false;  // the initial values
    bool started = false;
    std::int64_t originNs = 0;
    std::int64_t lastTimeNs = 0;
};

}  // namespace porttrace

#endif
