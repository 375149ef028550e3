#ifndef _GNU_SOURCE
#define _GNU_SOURCE  // mremap
#endif
#include "porttrace/TraceStorage.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace porttrace {

namespace {

constexpr std::size_t FirstSize = 16 * 1024;
constexpr std::size_t LargestStep = 16 * 1024 * 1024;
constexpr std::size_t PlainBufferSize = 64 * 1024;

std::string lastError() {
    return std::strerror(errno);
}

// Extends the file from its size to size with padding. Writing, rather than mapping beyond the
// end, takes the disk space now: a full disk is an error here instead of a SIGBUS later.
bool pad(int descriptor, std::size_t from, std::size_t to, std::string& reason) {
    static const std::vector<char> padding(64 * 1024, TracePadding);
    while (from < to) {
        const std::size_t piece = to - from < padding.size() ? to - from : padding.size();
        const ssize_t written = pwrite(descriptor, padding.data(), piece, static_cast<off_t>(from));
        if (written <= 0) {
            reason = written < 0 ? lastError() : "nothing written";
            return false;
        }
        from += static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

bool replaceFile(const std::string& path, const std::string& text, std::string& reason) {
    std::string temporary = path + ".XXXXXX";
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0) {
        reason = lastError();
        return false;
    }
    bool fine = fchmod(descriptor, 0644) == 0;
    for (std::size_t done = 0; fine && done < text.size();) {
        const ssize_t written = ::write(descriptor, text.data() + done, text.size() - done);
        fine = written > 0;
        done += fine ? static_cast<std::size_t>(written) : 0;
    }
    fine = fine && fsync(descriptor) == 0;
    if (!fine) {
        reason = lastError();
    }
    if (::close(descriptor) != 0 && fine) {
        reason = lastError();
        fine = false;
    }
    if (fine && rename(temporary.c_str(), path.c_str()) != 0) {
        reason = lastError();
        fine = false;
    }
    if (!fine) {
        unlink(temporary.c_str());
    }
    return fine;
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
    int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (descriptor < 0 && errno == EACCES) {
        descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    }
    if (descriptor < 0) {
        reason = lastError();
        return false;
    }
    file = descriptor;
    struct stat status {};
    const bool regular = fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) &&
                         (fcntl(descriptor, F_GETFL) & O_ACCMODE) == O_RDWR;
    std::size_t used = 0;
    if (regular && makeRoomInMapping(used, FirstSize, reason)) {
        return true;
    }
    // Pipes, devices and write-only files take the text through a buffer.
    if (regular && ftruncate(descriptor, 0) != 0) {
        reason = lastError();
        return false;
    }
    mapped = false;
    plain.assign(PlainBufferSize, '\0');
    data = plain.data();
    size = plain.size();
    return true;
}

bool TraceStorage::makeRoom(std::size_t& used, std::size_t more, std::string& reason) {
    if (mapped) {
        return makeRoomInMapping(used, more, reason);
    }
    for (std::size_t done = 0; done < used;) {
        const ssize_t written = ::write(static_cast<int>(file), data + done, used - done);
        if (written <= 0) {
            reason = written < 0 ? lastError() : "nothing written";
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    used = 0;
    if (more > plain.size()) {
        plain.assign(more, '\0');
        data = plain.data();
        size = plain.size();
    }
    return true;
}

bool TraceStorage::makeRoomInMapping(std::size_t& used, std::size_t more, std::string& reason) {
    const int descriptor = static_cast<int>(file);
    std::size_t grown = size == 0 ? FirstSize : size + (size < LargestStep ? size : LargestStep);
    while (grown < used + more) {
        grown += grown < LargestStep ? grown : LargestStep;
    }
    if (!pad(descriptor, size, grown, reason)) {
        return false;
    }
#ifdef MREMAP_MAYMOVE
    // Linux moves the pages already mapped instead of mapping them anew.
    void* view = data != nullptr
                     ? mremap(data, size, grown, MREMAP_MAYMOVE)
                     : mmap(nullptr, grown, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
    if (view == MAP_FAILED) {
        reason = lastError();
        return false;
    }
#else
    void* view = mmap(nullptr, grown, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
    if (view == MAP_FAILED) {
        reason = lastError();
        return false;
    }
    if (data != nullptr) {
        munmap(data, size);
    }
#endif
    data = static_cast<char*>(view);
    size = grown;
    mapped = true;
    return true;
}

bool TraceStorage::finish(std::size_t used, std::string& reason) {
    if (file < 0) {
        return true;
    }
    const int descriptor = static_cast<int>(file);
    std::size_t left = used;
    bool fine = mapped ? true : makeRoom(left, 0, reason);
    if (mapped) {
        munmap(data, size);
        if (ftruncate(descriptor, static_cast<off_t>(used)) != 0) {
            reason = lastError();
            fine = false;
        }
    }
    if (::close(descriptor) != 0 && fine) {
        reason = lastError();
        fine = false;
    }
    file = -1;
    data = nullptr;
    size = 0;
    mapped = false;
    plain.clear();
    return fine;
}

}  // namespace porttrace
