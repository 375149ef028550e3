#include "platform/ProgramFiles.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

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

std::string reason() {
    return std::strerror(errno);
}

bool syncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = fd >= 0 && fsync(fd) == 0;
    const int error = errno;
    if (fd >= 0) {
        close(fd);
    }
    errno = error;
    return synced;
}

}  // namespace

OutputFile::~OutputFile() {
    discard();
}

void OutputFile::discard() {
    if (handle >= 0) {
        close(static_cast<int>(handle));
        handle = -1;
    }
    if (!temporary.empty()) {
        unlink(temporary.c_str());
        temporary.clear();
        pendingTemporary[0] = '\0';
    }
}

bool OutputFile::create(const std::string& path, std::string& problem) {
    target = path;
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
    const std::string::size_type slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = target.substr(folder.size());
    int fd = -1;
    for (unsigned attempt = 1; fd < 0 && attempt <= 100; ++attempt) {
        temporary = folder + "." + name + "." + std::to_string(getpid()) + "-" +
                    std::to_string(std::time(nullptr) % 100000) + "-" + std::to_string(attempt);
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        problem = reason();
        temporary.clear();
        return false;
    }
    handle = fd;
    if (temporary.size() < sizeof pendingTemporary) {
        std::memcpy(pendingTemporary, temporary.c_str(), temporary.size() + 1);
    }
    if (exists && fchmod(fd, existing.st_mode & 07777) != 0) {
        problem = reason();
        discard();
        return false;
    }
    return true;
}

bool OutputFile::write(const std::uint8_t* data, std::size_t size, std::string& problem) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t count = ::write(static_cast<int>(handle), data + done, size - done);
        if (count < 0 && errno != EINTR) {
            problem = reason();
            return false;
        }
        done += count > 0 ? static_cast<std::size_t>(count) : 0;
    }
    return true;
}

bool OutputFile::commit(std::string& problem) {
    const int fd = static_cast<int>(handle);
    if (fsync(fd) != 0 || close(fd) != 0) {
        problem = reason();
        handle = -1;
        discard();
        return false;
    }
    handle = -1;
    if (rename(temporary.c_str(), target.c_str()) != 0) {
        problem = reason();
        discard();
        return false;
    }
    temporary.clear();
    pendingTemporary[0] = '\0';
    const std::string::size_type slash = target.rfind('/');
    if (!syncFolder(slash == std::string::npos ? "." : target.substr(0, slash + 1))) {
        problem = "renamed, but the folder could not be flushed to the disk (" + reason() + ")";
        return false;
    }
    return true;
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
