// SPDX-License-Identifier: MIT
// The operating system's part of a trace file: a shared mapping of the file, which the system
// keeps when the process dies in any way, so the text is on its way to the disk without a
// system call per event.
#ifndef LPTFLASH_TRACE_TRACESTORAGE_H
#define LPTFLASH_TRACE_TRACESTORAGE_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace trace {

// What fills the file beyond the text until it is closed: spaces ending in one newline, a blank
// line that VCD readers take as white space, bus-log readers as an empty line, and that leaves
// the last records of a killed run in view of tail.
constexpr char TracePadding = ' ';

// How a trace file grows: a first size, then doubling, by at most LargestTraceStep at a time, so
// that a long run maps anew only a few times and a large trace reserves little it never fills.
constexpr std::size_t FirstTraceSize = 16 * 1024;
constexpr std::size_t LargestTraceStep = 16 * 1024 * 1024;
// The next size of a trace file of size bytes (0: none yet) that holds at least needed bytes.
constexpr std::size_t grownTraceSize(std::size_t size, std::size_t needed) {
    const auto step = [](std::size_t from) {
        return from < LargestTraceStep ? from : LargestTraceStep;
    };
    std::size_t grown = size == 0 ? FirstTraceSize : size + step(size);
    while (grown < needed) {
        grown += step(grown);
    }
    return grown;
}

// The start of a small file of ours, read without following a link at path or waiting on a
// pipe or device there. Missing: no file at path. Refused (why in reason): anything but a
// regular file of at most limit bytes.
enum class SmallFile : std::uint8_t { Read, Missing, Refused };
SmallFile readSmallFile(const std::string& path, std::size_t limit, std::string& text,
                        std::string& reason);

// Why path cannot take a trace, as far as can be told without touching it: not a regular file,
// the program's own output, no folder to make it in. Empty when nothing is known against it.
std::string traceTargetProblem(const std::string& path);

class TraceStorage {
  public:
    TraceStorage() = default;
    ~TraceStorage();
    TraceStorage(const TraceStorage&) = delete;
    TraceStorage& operator=(const TraceStorage&) = delete;

    // Opens or creates the regular file at path, locks it against other runs and only then
    // empties it and maps a first buffer; false and why on failure, the file then untouched
    // (a run refused over a trace never cuts another run's).
    bool open(const std::string& path, std::string& reason);
    char* buffer() const { return data; }
    std::size_t capacity() const { return size; }
    // Makes room for at least more bytes after the used ones; the mapping grows, keeping what
    // it holds. False and why on failure (a full disk, a file cut short by another program),
    // the buffer then as it was.
    bool makeRoom(std::size_t used, std::size_t more, std::string& reason);
    // Ends the file after the used bytes and closes it; false and why if that fails. A file
    // another program cut short is left as that program left it.
    bool finish(std::size_t used, std::string& reason);
    bool isOpen() const;

  private:
    char* data = nullptr;
    std::size_t size = 0;
    // The system's handles, as each system's file keeps them: a descriptor, or two handles.
    std::intptr_t file = -1;
    [[maybe_unused]] void* mapping = nullptr;  // Windows' mapping object; POSIX needs none
};

}  // namespace trace

#endif
