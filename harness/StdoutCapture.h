// SPDX-License-Identifier: MIT
// Sends the process's standard output to a file for the lifetime of the object: a temporary one,
// so that a test can see what had actually left the C library's buffer at any moment, or the
// one named (/dev/null keeps a benchmark's million runs from burying its report).
#ifndef LPTFLASH_HARNESS_STDOUTCAPTURE_H
#define LPTFLASH_HARNESS_STDOUTCAPTURE_H

#include <string>

class StdoutCapture {
  public:
    explicit StdoutCapture(const char* target = nullptr);
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    // What has reached the temporary file so far, without flushing anything first.
    std::string written() const;
    // Everything, after flushing standard output.
    std::string all();

  private:
    std::string path;  // the temporary file; empty for a named target
    int savedStdout;
};

#endif
