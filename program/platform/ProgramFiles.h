// SPDX-License-Identifier: MIT
// What lptflash needs from the OS around its work: an output file that appears whole or not at
// all, whether a stream is a terminal, and Ctrl-C turned into a request to stop.
#ifndef LPTFLASH_PLATFORM_PROGRAMFILES_H
#define LPTFLASH_PLATFORM_PROGRAMFILES_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "os/FileReplacement.h"

// An output file replaced in one step as os/FileReplacement.h does it; a link at the target's
// name stays a link. Until commit, the target is untouched; an uncommitted temporary file is
// removed on destruction and, on a second Ctrl-C, by the signal handler.
class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // false with the system's reason in problem: no such folder, not writable, the target is
    // no regular file or is write-protected.
    bool create(const std::string& path, std::string& problem);
    bool write(const std::uint8_t* data, std::size_t size, std::string& problem);
    bool commit(std::string& problem);

  private:
    void discard();

    os::FileReplacement replacement;
};

// stderr is a terminal (a console window on Windows): progress is drawn only there.
bool errorStreamIsTerminal();

// From now on the first Ctrl-C only asks the program to stop (interruptRequested turns true);
// a second one ends it at once, removing an uncommitted output file first.
void catchInterrupt();
bool interruptRequested();
// Ends the process as Ctrl-C ends it, once the program has cleaned up.
[[noreturn]] void endAsInterrupted();

#endif
