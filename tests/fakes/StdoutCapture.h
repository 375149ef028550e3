// Sends the process's standard output to a file for the lifetime of the object, so that a test
// can see what had actually left the C library's buffer at any moment.
#ifndef LPTFLASH_TESTS_FAKES_STDOUTCAPTURE_H
#define LPTFLASH_TESTS_FAKES_STDOUTCAPTURE_H

#include <string>

class StdoutCapture {
  public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    // What has reached the file so far, without flushing anything first.
    std::string written() const;
    // Everything, after flushing standard output.
    std::string all();

  private:
    std::string path;
    int savedStdout;
};

#endif
