// SPDX-License-Identifier: MIT
#include "os/FileReplacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "os/SystemErrorText.h"

namespace os {

namespace {

bool syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = fd >= 0 && fsync(fd) == 0;
    const int error = errno;
    if (fd >= 0) {
        close(fd);
    }
    errno = error;
    return synced;
}

}  // namespace

void FileReplacement::discard() {
    if (file >= 0) {
        close(static_cast<int>(file));
        file = -1;
    }
    if (!inPlace && !temporary.empty()) {
        unlink(temporary.c_str());
    }
    temporary.clear();
}

bool FileReplacement::begin(const std::string& path, std::string& problem) {
    target = path;
    const std::string::size_type slash = path.rfind('/');
    folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = path.substr(folder.size());
    struct stat replaced {};
    const bool kept = stat(path.c_str(), &replaced) == 0;
    // A link or a FIFO planted under the name is never followed: the attempt count moves on.
    int fd = -1;
    for (unsigned attempt = 1; fd < 0 && attempt <= 1000; ++attempt) {
        temporary = temporaryName(folder, name, static_cast<unsigned long>(getpid()),
                                  static_cast<unsigned long>(std::time(nullptr)), attempt);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    kept ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        problem = os::lastSystemErrorText();
        temporary.clear();
        return false;
    }
    file = fd;
    if (kept) {
        if (geteuid() == 0) {
            (void)!fchown(fd, replaced.st_uid, replaced.st_gid);  // root keeps a user's file theirs
        }
        (void)!fchmod(fd, replaced.st_mode & 07777);
    }
    return true;
}

bool FileReplacement::write(const void* data, std::size_t size, std::string& problem) {
    const auto* bytes = static_cast<const char*>(data);
    for (std::size_t done = 0; done < size;) {
        const ssize_t count = ::write(static_cast<int>(file), bytes + done, size - done);
        if (count < 0 && errno != EINTR) {
            problem = os::lastSystemErrorText();
            return false;
        }
        done += count > 0 ? static_cast<std::size_t>(count) : 0;
    }
    return true;
}

bool FileReplacement::commit(bool onlyNew, std::string& problem) {
    bool done = fsync(static_cast<int>(file)) == 0;
    if (done && onlyNew) {
        // link, unlike rename, never replaces a file another run made meanwhile; a file system
        // without hard links gets the rename.
        done = link(temporary.c_str(), target.c_str()) == 0;
        if (done) {
            unlink(temporary.c_str());
        } else if (errno == EPERM || errno == EOPNOTSUPP) {
            done = rename(temporary.c_str(), target.c_str()) == 0;
        }
    } else if (done) {
        done = rename(temporary.c_str(), target.c_str()) == 0;
    }
    inPlace = done;
    if (!done || !syncFolder(folder.empty() ? "." : folder)) {
        problem = os::lastSystemErrorText();
        return false;
    }
    return true;
}

}  // namespace os
