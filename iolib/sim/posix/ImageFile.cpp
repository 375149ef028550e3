// SPDX-License-Identifier: MIT
#include "sim/ImageFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "os/EnvironmentSetting.h"
#include "os/FileReplacement.h"
#include "os/SystemErrorText.h"

namespace sim {

namespace {

// Realpath of a file that may not exist yet: its folder's, and its name.
bool resolve(const std::string& path, std::string& resolved, std::string& problem) {
    if (char* real = realpath(path.c_str(), nullptr)) {
        resolved = real;
        std::free(real);
        return true;
    }
    struct stat link {};
    if (errno != ENOENT || lstat(path.c_str(), &link) == 0) {
        problem = errno == ENOENT ? "a link to a missing file" : os::lastSystemErrorText();
        return false;
    }
    const std::string::size_type slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    char* real = realpath(folder.c_str(), nullptr);
    if (real == nullptr) {
        problem =
            "no folder " + settings::shownValue(folder) + " (" + os::lastSystemErrorText() + ")";
        return false;
    }
    resolved = std::string(real) + "/" + path.substr(slash + 1);
    std::free(real);
    return true;
}

// Why a save could never replace the locked image at resolved, found before the run goes ahead
// rather than at every erase; empty when nothing stands in the way.
std::string unreplaceable(const std::string& resolved, const std::string& folder,
                          const std::string& trial, const struct stat& image) {
    struct stat place {};
    if (stat(folder.c_str(), &place) != 0) {
        return "its folder cannot be read (" + os::lastSystemErrorText() + ")";
    }
    if (image.st_nlink > 1) {
        return "it has other names (hard links), which a save would part from it: use a copy";
    }
    // A rename cannot replace a mount point; link tells one from the same file system too.
    bool mounted = image.st_dev != place.st_dev;
    if (!mounted && link(resolved.c_str(), trial.c_str()) == 0) {
        unlink(trial.c_str());
    } else if (!mounted) {
        mounted = errno == EXDEV || errno == EBUSY;
    }
    if (mounted) {
        return "a mount point (a bind-mounted file), which a save cannot replace: mount its "
               "folder instead";
    }
    const uid_t self = geteuid();
    if ((place.st_mode & S_ISVTX) != 0 && self != 0 && image.st_uid != self &&
        place.st_uid != self) {
        return "another user's file in a shared (sticky) folder, which only its owner can replace";
    }
    return "";
}

}  // namespace

ImageFile::~ImageFile() {
    if (handle >= 0) {
        close(static_cast<int>(handle));
    }
}

ImageFile::Found ImageFile::open(const std::string& path, std::string& problem) {
    if (!resolve(path, resolved, problem)) {
        return Found::Refused;
    }
    folder = resolved.substr(0, resolved.rfind('/') + 1);
    // Whether the folder takes the temporary file of a save shows only by making one; its
    // name, free again, serves the mount-point check.
    std::string trial;
    {
        os::FileReplacement probe;
        if (!probe.begin(resolved, problem)) {
            problem = "its folder takes no new files (" + problem + ")";
            return Found::Refused;
        }
        trial = probe.temporaryPath();
    }
    // The previous holder's last save may replace the file between our open and our lock:
    // only a lock on the file that is still at the path counts.
    for (int tries = 0; tries < 10; ++tries) {
        // Writable for the in-place programs; a read-only file still opens, to be refused below.
        constexpr int Flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
        int fd = ::open(resolved.c_str(), O_RDWR | Flags);
        if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EISDIR)) {
            fd = ::open(resolved.c_str(), O_RDONLY | Flags);
        }
        if (fd < 0) {
            problem = "cannot be opened (" + os::lastSystemErrorText() + ")";
            return errno == ENOENT ? Found::Missing : Found::Refused;
        }
        struct stat opened {};
        struct stat there {};
        if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            close(fd);
            problem = "not a regular file";
            return Found::Refused;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            problem = errno == EWOULDBLOCK ? "in use by another run (locked)"
                                           : "cannot be locked (" + os::lastSystemErrorText() + ")";
            close(fd);
            return Found::Refused;
        }
        if (stat(resolved.c_str(), &there) == 0 && there.st_dev == opened.st_dev &&
            there.st_ino == opened.st_ino) {
            // By the mode bits, which bind root too: a write-protected image stays as it is.
            if ((opened.st_mode & 0222) == 0 || access(resolved.c_str(), W_OK) != 0) {
                close(fd);
                problem = "read-only: a write-protected chip image is never changed";
                return Found::Refused;
            }
            problem = unreplaceable(resolved, folder, trial, opened);
            if (!problem.empty()) {
                close(fd);
                return Found::Refused;
            }
            handle = fd;
            bytes = static_cast<std::uint64_t>(opened.st_size);
            return Found::Opened;
        }
        close(fd);
    }
    problem = "replaced by other runs again and again";
    return Found::Refused;
}

bool ImageFile::read(std::vector<std::uint8_t>& contents, std::string& problem) {
    std::size_t done = 0;
    while (done < contents.size()) {
        const ssize_t count = pread(static_cast<int>(handle), contents.data() + done,
                                    contents.size() - done, static_cast<off_t>(done));
        if (count <= 0 && !(count < 0 && errno == EINTR)) {
            problem = "cannot be read (" +
                      (count < 0 ? os::lastSystemErrorText() : "it got shorter") + ")";
            return false;
        }
        done += count > 0 ? static_cast<std::size_t>(count) : 0;
    }
    return true;
}

bool ImageFile::replace(const std::vector<std::uint8_t>& contents, bool create,
                        std::string& problem) {
    os::FileReplacement replacement;
    if (!replacement.begin(resolved, problem) ||
        !replacement.write(contents.data(), contents.size(), problem)) {
        return false;
    }
    // The lock passes to the new file before any other run can open it.
    if (flock(static_cast<int>(replacement.handle()), LOCK_EX | LOCK_NB) != 0) {
        problem = os::lastSystemErrorText();
        return false;
    }
    const bool done = replacement.commit(create, problem);
    if (replacement.placed()) {
        if (handle >= 0) {
            close(static_cast<int>(handle));
        }
        handle = replacement.release();
    }
    return done;
}

bool ImageFile::writeByte(std::uint64_t offset, std::uint8_t value, std::string& problem) {
    ssize_t count = -1;
    do {
        count = pwrite(static_cast<int>(handle), &value, 1, static_cast<off_t>(offset));
    } while (count < 0 && errno == EINTR);
    if (count != 1) {
        problem = count < 0 ? os::lastSystemErrorText() : "nothing written";
        return false;
    }
    return true;
}

bool ImageFile::sync(std::string& problem) {
    if (fsync(static_cast<int>(handle)) != 0) {
        problem = os::lastSystemErrorText();
        return false;
    }
    return true;
}

}  // namespace sim
