// SPDX-License-Identifier: MIT
// A text file that a trace writes as it goes. The text goes straight into a shared mapping of
// the file, which the system keeps when the process dies in any way, kill -9 included: a trace
// is complete up to the last event without a system call per event. Beyond the text the file
// holds blank padding that readers skip, cut off when the file is closed. Only regular files
// take a trace: a pipe, a terminal or a device would need a buffer that a kill loses.
//
// The first failed write (a full disk) is reported once on stderr; the trace then ends with a
// comment saying that it is incomplete, and takes nothing more.
#ifndef LPTFLASH_TRACE_TRACEFILE_H
#define LPTFLASH_TRACE_TRACEFILE_H

#include <cstddef>
#include <cstring>
#include <string>

#include "trace/TraceStorage.h"

namespace trace {

class TraceFile {
  public:
    // A comment line in the trace's format is commentStart, text, commentEnd.
    TraceFile(const char* start, const char* end) : commentStart(start), commentEnd(end) {}
    ~TraceFile() { close(); }
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;

    // Creates the file, or empties it once this run holds its lock; on failure returns false and
    // says why in reason, the file then untouched.
    bool open(const std::string& path, std::string& reason);
    // Open and still taking text: false after a failed write.
    bool isOpen() const { return taking; }
    void write(const char* text, std::size_t size) {
        if (size <= room) {
            std::memcpy(storage.buffer() + used, text, size);
            used += size;
            room -= size;
        } else {
            writeAfterGrowing(text, size);
        }
    }
    void write(const std::string& text) { write(text.data(), text.size()); }
    void close();

  private:
    void writeAfterGrowing(const char* text, std::size_t size);
    void fail(const std::string& reason);

    const char* commentStart;
    const char* commentEnd;
    TraceStorage storage;
    std::string path;
    bool taking = false;
    std::size_t used = 0;
    std::size_t room = 0;  // free bytes short of the space kept for the closing comment
};

}  // namespace trace

#endif
