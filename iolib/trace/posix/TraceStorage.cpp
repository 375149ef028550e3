// SPDX-License-Identifier: MIT
#ifndef _GNU_SOURCE
#define _GNU_SOURCE  // mremap
#endif
#include "trace/TraceStorage.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "os/SystemErrorText.h"

namespace trace {

namespace {

constexpr const char* CutShort = "cut short by another program while it was written";

// The lock keeps our own runs off a trace, not other programs: one that shortens the file
// (truncate -s 0) turns our writes to the pages past its new end into SIGBUS. Checking the size
// before each write would cost a system call per event; instead a handler puts private pages
// where the lost ones were, marks the trace cut, and the run goes on. The table is the
// handler's view of the mappings, so it lives outside any object; slots are claimed atomically.
struct GuardedMapping {
    std::atomic<char*> start{nullptr};
    std::atomic<std::size_t> size{0};
    std::atomic<bool> cut{false};
};
GuardedMapping guarded[8];
std::atomic<long> pageSize{0};
struct sigaction previousBusAction {};

void onBusError(int signal, siginfo_t* info, void* context) {
    char* const at = static_cast<char*>(info->si_addr);
    for (GuardedMapping& mapping : guarded) {
        char* const start = mapping.start.load();
        const std::size_t size = mapping.size.load();
        if (start == nullptr || at < start || at >= start + size) {
            continue;
        }
        const auto page = static_cast<std::size_t>(pageSize.load());
        char* const from = start + static_cast<std::size_t>(at - start) / page * page;
        const std::size_t length = static_cast<std::size_t>(start + size - from);
        if (mmap(from, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1,
                 0) != MAP_FAILED) {
            mapping.cut = true;
            return;
        }
        break;
    }
    // Not ours: as the process would have had it.
    if ((previousBusAction.sa_flags & SA_SIGINFO) != 0 &&
        previousBusAction.sa_sigaction != nullptr) {
        previousBusAction.sa_sigaction(signal, info, context);
    } else if (previousBusAction.sa_handler != SIG_DFL && previousBusAction.sa_handler != SIG_IGN) {
        previousBusAction.sa_handler(signal);
    } else {
        ::signal(SIGBUS, SIG_DFL);  // the fault comes again and ends the process
    }
}

GuardedMapping* guard(char* start, std::size_t size) {
    static const bool installed = [] {
        pageSize = sysconf(_SC_PAGESIZE);
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        return sigaction(SIGBUS, &action, &previousBusAction) == 0;
    }();
    for (GuardedMapping& mapping : guarded) {
        char* expected = nullptr;
        if (installed && mapping.start.compare_exchange_strong(expected, start)) {
            mapping.size = size;
            mapping.cut = false;
            return &mapping;
        }
    }
    return nullptr;
}

GuardedMapping* guardOf(const char* start) {
    for (GuardedMapping& mapping : guarded) {
        if (start != nullptr && mapping.start.load() == start) {
            return &mapping;
        }
    }
    return nullptr;
}

bool cutShort(int descriptor, const char* data, std::size_t size) {
    const GuardedMapping* mapping = guardOf(data);
    struct stat status {};
    return (mapping != nullptr && mapping->cut) ||
           (fstat(descriptor, &status) == 0 && static_cast<std::size_t>(status.st_size) < size);
}

// Extends the file from its size to size with padding. Writing, rather than mapping beyond the
// end, takes the disk space now: a full disk is an error here instead of a SIGBUS later.
bool pad(int descriptor, std::size_t from, std::size_t to, std::string& reason) {
    static const std::vector<char> padding(64 * 1024, TracePadding);
    for (const std::size_t spaces = to - 1; from < spaces;) {
        const std::size_t piece = spaces - from < padding.size() ? spaces - from : padding.size();
        const ssize_t written = pwrite(descriptor, padding.data(), piece, static_cast<off_t>(from));
        if (written <= 0) {
            reason = written < 0 ? os::lastSystemErrorText() : "nothing written";
            return false;
        }
        from += static_cast<std::size_t>(written);
    }
    if (pwrite(descriptor, "\n", 1, static_cast<off_t>(to - 1)) != 1) {
        reason = os::lastSystemErrorText();
        return false;
    }
    return true;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// What makes an existing file no trace target.
std::string problemWith(const struct stat& status) {
    if (!S_ISREG(status.st_mode)) {
        return "not a regular file: traces are written to files only";
    }
    for (int output : {STDOUT_FILENO, STDERR_FILENO}) {
        struct stat shown {};
        if (fstat(output, &shown) == 0 && sameFile(shown, status)) {
            return "the program's own output, which the trace would be mixed into";
        }
    }
    return "";
}

}  // namespace

SmallFile readSmallFile(const std::string& path, std::size_t limit, std::string& text,
                        std::string& reason) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) {
        reason = os::lastSystemErrorText();
        return errno == ENOENT ? SmallFile::Missing : SmallFile::Refused;
    }
    struct stat status {};
    SmallFile found = SmallFile::Refused;
    if (fstat(descriptor, &status) != 0) {
        reason = os::lastSystemErrorText();
    } else if (!S_ISREG(status.st_mode)) {
        reason = "not a regular file";
    } else if (static_cast<std::uint64_t>(status.st_size) > limit) {
        reason = "larger than " + std::to_string(limit) + " bytes";
    } else {
        text.assign(limit, '\0');
        const ssize_t count = pread(descriptor, text.data(), limit, 0);
        text.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
        found = count >= 0 ? SmallFile::Read : SmallFile::Refused;
        reason = count >= 0 ? "" : os::lastSystemErrorText();
    }
    ::close(descriptor);
    return found;
}

std::string traceTargetProblem(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) {
        return problemWith(status);
    }
    const std::string::size_type slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    if (errno == ENOENT && (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))) {
        return "its folder is not there";
    }
    return "";
}

TraceStorage::~TraceStorage() {
    std::string ignored;
    finish(0, ignored);
}

bool TraceStorage::isOpen() const {
    return file >= 0;
}

bool TraceStorage::open(const std::string& path, std::string& reason) {
    std::string ignored;
    finish(0, ignored);
    // Neither O_TRUNC nor waiting: the file is emptied once it is ours, and a FIFO or terminal
    // planted there is turned away rather than waited on.
    const int descriptor =
        ::open(path.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        reason = os::lastSystemErrorText();
        if (errno == EACCES && access(path.c_str(), W_OK) == 0) {
            reason += ": a trace is written through a shared mapping, which needs reading too";
        }
        return false;
    }
    struct stat status {};
    reason = fstat(descriptor, &status) != 0 ? os::lastSystemErrorText() : problemWith(status);
    if (reason.empty() && flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        reason = errno == EWOULDBLOCK ? "in use by another run (locked)"
                                      : "cannot be locked (" + os::lastSystemErrorText() + ")";
    }
    if (reason.empty() && ftruncate(descriptor, 0) != 0) {
        reason = os::lastSystemErrorText();
    }
    if (!reason.empty()) {
        ::close(descriptor);
        return false;
    }
    file = descriptor;
    if (!makeRoom(0, FirstTraceSize, reason)) {
        finish(0, ignored);
        return false;
    }
    return true;
}

bool TraceStorage::makeRoom(std::size_t used, std::size_t more, std::string& reason) {
    const int descriptor = static_cast<int>(file);
    if (data != nullptr && cutShort(descriptor, data, size)) {
        reason = CutShort;
        return false;
    }
    const std::size_t grown = grownTraceSize(size, used + more);
    if (!pad(descriptor, size, grown, reason)) {
        return false;
    }
    GuardedMapping* mapping = guardOf(data);
#ifdef MREMAP_MAYMOVE
    // Linux moves the pages already mapped instead of mapping them anew.
    void* view = data != nullptr
                     ? mremap(data, size, grown, MREMAP_MAYMOVE)
                     : mmap(nullptr, grown, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
    if (view == MAP_FAILED) {
        reason = os::lastSystemErrorText();
        return false;
    }
#else
    void* view = mmap(nullptr, grown, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
    if (view == MAP_FAILED) {
        reason = os::lastSystemErrorText();
        return false;
    }
    if (data != nullptr) {
        munmap(data, size);
    }
#endif
    if (mapping != nullptr) {
        mapping->start = nullptr;
    }
    char* const grownData = static_cast<char*>(view);
    if (used < size) {
        grownData[size - 1] = TracePadding;  // the old end's newline: one blank line, not two
    }
    data = grownData;
    size = grown;
    guard(data, size);
    return true;
}

bool TraceStorage::finish(std::size_t used, std::string& reason) {
    if (file < 0) {
        return true;
    }
    const int descriptor = static_cast<int>(file);
    bool fine = true;
    if (data != nullptr) {
        const bool cut = cutShort(descriptor, data, size);
        if (GuardedMapping* mapping = guardOf(data)) {
            mapping->start = nullptr;
        }
        munmap(data, size);
        if (cut) {
            reason = CutShort;
            fine = false;
        } else if (ftruncate(descriptor, static_cast<off_t>(used)) != 0) {
            reason = os::lastSystemErrorText();
            fine = false;
        }
    }
    if (::close(descriptor) != 0 && fine) {
        reason = os::lastSystemErrorText();
        fine = false;
    }
    file = -1;
    data = nullptr;
    size = 0;
    return fine;
}

}  // namespace trace
