// SPDX-License-Identifier: MIT
#include "sim/ImageFile.h"

#include <windows.h>

#include "os/FileReplacement.h"
#include "os/SystemErrorText.h"

namespace sim {

namespace {

HANDLE toHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// A lock on a byte far beyond the end: it keeps other runs out without blocking any read.
bool lock(HANDLE file) {
    OVERLAPPED where{};
    where.OffsetHigh = 0x7FFFFFFF;
    return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where) !=
           0;
}

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

ImageFile::~ImageFile() {
    if (handle != -1) {
        CloseHandle(toHandle(handle));
    }
}

ImageFile::Found ImageFile::open(const std::string& path, std::string& problem) {
    char full[MAX_PATH];
    char* name = nullptr;
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, &name);
    if (length == 0 || length >= MAX_PATH || name == nullptr) {
        problem = "not a file path";
        return Found::Refused;
    }
    resolved = full;
    // Whether the folder takes the temporary file of a save shows only by making one.
    if (os::FileReplacement probe; !probe.begin(resolved, problem)) {
        problem = "its folder takes no new files (" + problem + ")";
        return Found::Refused;
    }
    const DWORD attributes = GetFileAttributesA(resolved.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        problem = "cannot be opened (" + os::systemErrorText(error) + ")";
        return error == ERROR_FILE_NOT_FOUND ? Found::Missing : Found::Refused;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        problem = "not a regular file";
        return Found::Refused;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        problem = "read-only: a write-protected chip image is never changed";
        return Found::Refused;
    }
    const HANDLE file = CreateFileA(resolved.c_str(), GENERIC_READ | GENERIC_WRITE, ShareAll,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // A run's image, once saved, is its temporary file, which shares no writing.
        const DWORD error = GetLastError();
        problem = error == ERROR_SHARING_VIOLATION
                      ? "in use by another run (locked)"
                      : "cannot be opened (" + os::systemErrorText(error) + ")";
        return Found::Refused;
    }
    LARGE_INTEGER size{};
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size) ||
        !GetFileInformationByHandle(file, &info)) {
        CloseHandle(file);
        problem = "not a regular file";
        return Found::Refused;
    }
    if (info.nNumberOfLinks > 1) {
        CloseHandle(file);
        problem = "it has other names (hard links), which a save would part from it: use a copy";
        return Found::Refused;
    }
    if (!lock(file)) {
        const DWORD error = GetLastError();
        CloseHandle(file);
        problem = error == ERROR_LOCK_VIOLATION
                      ? "in use by another run (locked)"
                      : "cannot be locked (" + os::systemErrorText(error) + ")";
        return Found::Refused;
    }
    handle = reinterpret_cast<std::intptr_t>(file);
    bytes = static_cast<std::uint64_t>(size.QuadPart);
    return Found::Opened;
}

bool ImageFile::read(std::vector<std::uint8_t>& contents, std::string& problem) {
    std::size_t done = 0;
    while (done < contents.size()) {
        const DWORD chunk = static_cast<DWORD>(
            contents.size() - done < (1u << 30) ? contents.size() - done : (1u << 30));
        DWORD count = 0;
        if (!ReadFile(toHandle(handle), contents.data() + done, chunk, &count, nullptr) ||
            count == 0) {
            problem = "cannot be read (" + os::lastSystemErrorText() + ")";
            return false;
        }
        done += count;
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
    if (!lock(toHandle(replacement.handle()))) {
        problem = os::lastSystemErrorText();
        return false;
    }
    // Windows replaces no file that is open: the old image's handle goes first.
    if (handle != -1) {
        CloseHandle(toHandle(handle));
        handle = -1;
    }
    if (!replacement.commit(create, problem)) {
        if (!create) {
            // Keep this run's hold on the image it still has.
            const HANDLE old = CreateFileA(resolved.c_str(), GENERIC_READ | GENERIC_WRITE, ShareAll,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (old != INVALID_HANDLE_VALUE && lock(old)) {
                handle = reinterpret_cast<std::intptr_t>(old);
            } else if (old != INVALID_HANDLE_VALUE) {
                CloseHandle(old);
            }
        }
        return false;
    }
    handle = replacement.release();
    return true;
}

bool ImageFile::writeByte(std::uint64_t offset, std::uint8_t value, std::string& problem) {
    if (handle == -1) {
        problem = "the image is no longer held (a failed save lost it)";
        return false;
    }
    OVERLAPPED where{};  // on a synchronous handle, just the offset
    where.Offset = static_cast<DWORD>(offset);
    where.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD count = 0;
    if (!WriteFile(toHandle(handle), &value, 1, &count, &where) || count != 1) {
        problem = os::lastSystemErrorText();
        return false;
    }
    return true;
}

bool ImageFile::sync(std::string& problem) {
    if (handle != -1 && !FlushFileBuffers(toHandle(handle))) {
        problem = os::lastSystemErrorText();
        return false;
    }
    return true;
}

}  // namespace sim
