#include "StdoutSilencer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

StdoutSilencer::StdoutSilencer() {
    std::cout.flush();
    std::fflush(stdout);
    saved = dup(STDOUT_FILENO);
    const int sink = open("/dev/null", O_WRONLY);
    if (sink >= 0) {
        dup2(sink, STDOUT_FILENO);
        close(sink);
    }
}

StdoutSilencer::~StdoutSilencer() {
    std::fflush(stdout);
    if (saved >= 0) {
        dup2(saved, STDOUT_FILENO);
        close(saved);
    }
}
