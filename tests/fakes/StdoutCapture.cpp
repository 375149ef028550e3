#include "StdoutCapture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "ProgramRun.h"

StdoutCapture::StdoutCapture() {
    std::fflush(stdout);
    char pattern[] = "/tmp/lptflash-stdout-XXXXXX";
    const int fd = mkstemp(pattern);
    path = pattern;
    savedStdout = dup(STDOUT_FILENO);
    dup2(fd, STDOUT_FILENO);
    close(fd);
}

StdoutCapture::~StdoutCapture() {
    std::fflush(stdout);
    dup2(savedStdout, STDOUT_FILENO);
    close(savedStdout);
    std::remove(path.c_str());
}

std::string StdoutCapture::written() const {
    return readWholeFile(path);
}

std::string StdoutCapture::all() {
    std::fflush(stdout);
    return readWholeFile(path);
}
