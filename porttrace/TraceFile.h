// A text file that a trace writes line by line. Every write reaches the file at once, so a trace
// is complete even when the process ends without unloading the library or is killed mid-run.
#ifndef LPTFLASH_PORTTRACE_TRACEFILE_H
#define LPTFLASH_PORTTRACE_TRACEFILE_H

#include <cstdio>
#include <string>

namespace porttrace {

class TraceFile {
  public:
    TraceFile() = default;
    ~TraceFile() { close(); }
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;

    // Creates or truncates the file; on failure returns false and says why in reason.
    bool open(const std::string& path, std::string& reason);
    bool isOpen() const { return file != nullptr; }
    void write(const std::string& text);
    void close();

  private:
    std::FILE* file = nullptr;
};

}  // namespace porttrace

#endif
