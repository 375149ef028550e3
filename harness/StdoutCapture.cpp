// SPDX-License-Identifier: MIT
#include "StdoutCapture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "TemporaryFolder.h"

StdoutCapture::StdoutCapture(const char* target) {
    std::fflush(stdout);
    int fd = -1;
    if (target == nullptr) {
        char pattern[] = "/tmp/lptflash-stdout-XXXXXX";
        fd = mkstemp(pattern);
        path = pattern;
    } else {
        fd = open(target, O_WRONLY);
    }
    savedStdout = dup(STDOUT_FILENO);
    if (fd >= 0) {
        dup2(fd, STDOUT_FILENO);
        close(fd);
    }
}

StdoutCapture::~StdoutCapture() {
    std::fflush(stdout);
    dup2(savedStdout, STDOUT_FILENO);
    close(savedStdout);
    if (!path.empty()) {
        std::remove(path.c_str());
    }
}

std::string StdoutCapture::written() const {
    return path.empty() ? std::string() : readWholeFile(path);
}

std::string StdoutCapture::all() {
    std::fflush(stdout);
    return written();
}
