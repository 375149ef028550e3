// SPDX-License-Identifier: MIT
// Writes the decoded bus log: the detection probe line by line (each line change, each presence
// sample, the verdict), then one line per bus cycle with its time, kind, address, byte lane,
// value and meaning (the command it belongs to, or what a read's byte is).
#ifndef LPTFLASH_TRACE_BUSLOGWRITER_H
#define LPTFLASH_TRACE_BUSLOGWRITER_H

#include <cstdint>
#include <string>
#include <vector>

#include "trace/BusCycleDecoder.h"
#include "trace/CommandNamer.h"
#include "trace/PortEvent.h"
#include "trace/ReadMeaning.h"
#include "trace/TraceFile.h"

namespace trace {

class BusLogWriter {
  public:
    // Creates the file and writes the column header; false and why on failure.
    bool open(const std::string& path, std::string& reason);
    // The lines before the first event, if known then: all low otherwise.
    void initialValues(const PortLines& initial) {
        if (!started) {
            decoder.startFrom(initial);
        }
    }
    void record(const PortEvent& event);
    void comment(const std::string& text) {
        if (file.isOpen()) {
            file.write("# " + text + "\n");
        }
    }
    void close() { file.close(); }

    // One log line without its newline, times relative to originNs.
    static std::string format(const BusCycle& cycle, const std::string& meaning,
                              std::int64_t originNs);
    // "Korvella+ answered", "Velmar/rev3b answered" or "no adapter answered", from the presence
    // samples of a probe: one with the shift clock low, the rest after it rose.
    static const char* probeVerdict(const std::vector<bool>& samples);

  private:
    void recordProbe(const PortEvent& event);
    void line(std::int64_t timeNs, const char* kind, const std::string& text);

    TraceFile file{"# ", ""};
    BusCycleDecoder decoder;
    CommandNamer namer;
    ReadMeaning meaning;
    bool started = false;
    std::int64_t originNs = 0;
    bool probing = true;  // from the first port access to the verdict or the first bus cycle
    std::vector<bool> samples;
};

}  // namespace trace

#endif
