// The operating system's part of a trace file: a buffer that is the file itself where the file
// can be mapped, or that is written out to it when full.
#ifndef LPTFLASH_PORTTRACE_TRACESTORAGE_H
#define LPTFLASH_PORTTRACE_TRACESTORAGE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace porttrace {

// What fills the file beyond the text until it is closed: blank lines, which VCD readers take
// as white space and bus-log readers as empty lines.
constexpr char TracePadding = '\n';

// Puts text in the file at path through an exclusively created temporary file beside it, synced
// and renamed over it, so that the file is never seen half written; false and why on failure.
bool replaceFile(const std::string& path, const std::string& text, std::string& reason);

class TraceStorage {
  public:
    TraceStorage() = default;
    ~TraceStorage();
    TraceStorage(const TraceStorage&) = delete;
    TraceStorage& operator=(const TraceStorage&) = delete;

    // Creates or truncates the file and makes a first buffer; false and why on failure.
    bool open(const std::string& path, std::string& reason);
    char* buffer() const { return data; }
    std::size_t capacity() const { return size; }
    // Makes room for at least more bytes after the used ones. A mapping grows, keeping what it
    // holds; a plain buffer is written out, and used becomes 0. False and why on failure, the
    // buffer and used then as they were.
    bool makeRoom(std::size_t& used, std::size_t more, std::string& reason);
    // Ends the file after the used bytes and closes it; false and why if that fails.
    bool finish(std::size_t used, std::string& reason);
    bool isOpen() const;
    // The file is mapped: a regular file, not a pipe or a device.
    bool isMapped() const { return mapped; }

  private:
    bool makeRoomInMapping(std::size_t& used, std::size_t more, std::string& reason);

    char* data = nullptr;
    std::size_t size = 0;
    bool mapped = false;
    std::vector<char> plain;  // the buffer where the file is not mapped
    // The system's handles, as each system's file keeps them: a descriptor, or two handles.
    std::intptr_t file = -1;
    void* mapping = nullptr;
};

}  // namespace porttrace

#endif
