// Writes the decoded bus log: one line per bus cycle with its time, kind, address, byte lane,
// value and the command it belongs to.
#ifndef LPTFLASH_PORTTRACE_BUSLOGWRITER_H
#define LPTFLASH_PORTTRACE_BUSLOGWRITER_H

#include <string>

#include "porttrace/BusCycleDecoder.h"
#include "porttrace/CommandNamer.h"
#include "porttrace/PortEvent.h"
#include "porttrace/TraceFile.h"

namespace porttrace {

class BusLogWriter {
  public:
    // Creates the file and writes the column header; false and why on failure.
    bool open(const std::string& path, std::string& reason);
    void record(const PortEvent& event);
    void close() { file.close(); }

    // One log line without its newline, times relative to originNs.
    static std::string format(const BusCycle& cycle, const std::string& command,
                              std::int64_t originNs);

  private:
    TraceFile file;
    BusCycleDecoder decoder;
    CommandNamer namer;
    bool started = false;
    std::int64_t originNs = 0;
};

}  // namespace porttrace

#endif
