// SPDX-License-Identifier: MIT
#include "platform/ProgramFiles.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {

// The signal handler can reach nothing else: the request flag and the name to remove.
volatile sig_atomic_t interrupted = 0;
char pendingTemporary[4096] = "";

void onInterrupt(int signalNumber) {
    if (interrupted != 0) {
        if (pendingTemporary[0] != '\0') {
            unlink(pendingTemporary);
        }
        signal(signalNumber, SIG_DFL);
        raise(signalNumber);
        return;
    }
    interrupted = 1;
}

}  // namespace

OutputFile::~OutputFile() {
    discard();
}

void OutputFile::discard() {
    replacement.discard();
    pendingTemporary[0] = '\0';  // after: a Ctrl-C meanwhile removes the file all the same
}

bool OutputFile::create(const std::string& path, std::string& problem) {
    std::string target = path;
    if (char* real = realpath(path.c_str(), nullptr)) {  // a link stays a link
        target = real;
        std::free(real);
    }
    struct stat existing {};
    const bool exists = stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        problem = "not a regular file";
        return false;
    }
    if (exists && (existing.st_mode & 0222) == 0) {
        problem = "write-protected (its mode allows no writing)";
        return false;
    }
    if (!replacement.begin(target, problem)) {
        return false;
    }
    const std::string& temporary = replacement.temporaryPath();
    if (temporary.size() < sizeof pendingTemporary) {
        std::memcpy(pendingTemporary, temporary.c_str(), temporary.size() + 1);
    }
    return true;
}

bool OutputFile::write(const std::uint8_t* data, std::size_t size, std::string& problem) {
    return replacement.write(data, size, problem);
}

bool OutputFile::commit(std::string& problem) {
    const bool done = replacement.commit(false, problem);
    if (!done && replacement.placed()) {
        problem = "renamed, but the folder could not be flushed to the disk (" + problem + ")";
    }
    discard();
    return done;
}

bool errorStreamIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

void catchInterrupt() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool interruptRequested() {
    return interrupted != 0;
}

void endAsInterrupted() {
    signal(SIGINT, SIG_DFL);
    raise(SIGINT);
    _exit(130);  // only if SIGINT is blocked
}
