// SPDX-License-Identifier: MIT
#include "trace/TraceStorage.h"

#include <windows.h>

#include <cstring>

#include "os/SystemErrorText.h"

namespace trace {

namespace {

HANDLE handleOf(std::intptr_t file) {
    return reinterpret_cast<HANDLE>(file);
}

bool moveEnd(HANDLE file, std::size_t size) {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(size);
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

bool sameFile(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION one{};
    BY_HANDLE_FILE_INFORMATION other{};
    return GetFileInformationByHandle(a, &one) && GetFileInformationByHandle(b, &other) &&
           one.dwVolumeSerialNumber == other.dwVolumeSerialNumber &&
           one.nFileIndexHigh == other.nFileIndexHigh && one.nFileIndexLow == other.nFileIndexLow;
}

// What makes an open file no trace target.
std::string problemWith(HANDLE file) {
    if (GetFileType(file) != FILE_TYPE_DISK) {
        return "not a regular file: traces are written to files only";
    }
    for (DWORD output : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        const HANDLE shown = GetStdHandle(output);
        if (shown != nullptr && shown != INVALID_HANDLE_VALUE && sameFile(shown, file)) {
            return "the program's own output, which the trace would be mixed into";
        }
    }
    return "";
}

// The lock the chip image takes too, on a byte far beyond the end: a trace named like another
// run's image is turned away by it.
bool lock(HANDLE file) {
    OVERLAPPED where{};
    where.OffsetHigh = 0x7FFFFFFF;
    return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where) !=
           0;
}

}  // namespace

SmallFile readSmallFile(const std::string& path, std::size_t limit, std::string& text,
                        std::string& reason) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        reason = os::lastSystemErrorText();
        return error == ERROR_FILE_NOT_FOUND ? SmallFile::Missing : SmallFile::Refused;
    }
    LARGE_INTEGER size{};
    BY_HANDLE_FILE_INFORMATION info{};
    SmallFile found = SmallFile::Refused;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        reason = "not a regular file";
    } else if (!GetFileSizeEx(file, &size) || static_cast<std::uint64_t>(size.QuadPart) > limit) {
        reason = "larger than " + std::to_string(limit) + " bytes";
    } else {
        text.assign(static_cast<std::size_t>(size.QuadPart), '\0');
        DWORD count = 0;
        found = ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &count, nullptr) != 0
                    ? SmallFile::Read
                    : SmallFile::Refused;
        reason = found == SmallFile::Read ? "" : os::lastSystemErrorText();
        text.resize(count);
    }
    CloseHandle(file);
    return found;
}

std::string traceTargetProblem(const std::string& path) {
    const HANDLE file =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION info{};
        std::string problem = problemWith(file);
        if (problem.empty() && GetFileInformationByHandle(file, &info) &&
            (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            problem = "not a regular file: traces are written to files only";
        }
        CloseHandle(file);
        return problem;
    }
    return GetLastError() == ERROR_PATH_NOT_FOUND ? "its folder is not there" : "";
}

TraceStorage::~TraceStorage() {
    std::string ignored;
    finish(0, ignored);
}

bool TraceStorage::isOpen() const {
    return file != -1;
}

bool TraceStorage::open(const std::string& path, std::string& reason) {
    std::string ignored;
    finish(0, ignored);
    // Shared for reading only, so no other run can open it to write; emptied once locked.
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        reason =
            error == ERROR_SHARING_VIOLATION ? "in use by another run" : os::lastSystemErrorText();
        return false;
    }
    reason = problemWith(handle);
    if (reason.empty() && !lock(handle)) {
        reason = GetLastError() == ERROR_LOCK_VIOLATION
                     ? "in use by another run (locked)"
                     : "cannot be locked (" + os::lastSystemErrorText() + ")";
    }
    if (reason.empty() && !moveEnd(handle, 0)) {
        reason = os::lastSystemErrorText();
    }
    if (!reason.empty()) {
        CloseHandle(handle);
        return false;
    }
    file = reinterpret_cast<std::intptr_t>(handle);
    if (!makeRoom(0, FirstTraceSize, reason)) {
        finish(0, ignored);
        return false;
    }
    return true;
}

// The view is remade at the new size: the file grows with the mapping, and the system writes a
// view's pages to the file also after the process has ended. Windows lets no other program cut
// a file short while a view of it is mapped.
bool TraceStorage::makeRoom(std::size_t used, std::size_t more, std::string& reason) {
    const std::size_t grown = grownTraceSize(size, used + more);
    // Taking the disk space first turns a full disk into an error here, not a fault later.
    if (!moveEnd(handleOf(file), grown)) {
        reason = os::lastSystemErrorText();
        moveEnd(handleOf(file), size);
        return false;
    }
    const auto high = static_cast<DWORD>(static_cast<std::uint64_t>(grown) >> 32);
    const auto low = static_cast<DWORD>(grown & 0xFFFFFFFFu);
    HANDLE newMapping =
        CreateFileMappingA(handleOf(file), nullptr, PAGE_READWRITE, high, low, nullptr);
    void* view = newMapping != nullptr
                     ? MapViewOfFile(newMapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, grown)
                     : nullptr;
    if (view == nullptr) {
        reason = os::lastSystemErrorText();
        if (newMapping != nullptr) {
            CloseHandle(newMapping);
        }
        return false;
    }
    char* const grownData = static_cast<char*>(view);
    std::memset(grownData + size, TracePadding, grown - size);
    grownData[grown - 1] = '\n';
    if (used < size) {
        grownData[size - 1] = TracePadding;  // the old end's newline: one blank line, not two
    }
    if (data != nullptr) {
        UnmapViewOfFile(data);
        CloseHandle(static_cast<HANDLE>(mapping));
    }
    data = grownData;
    mapping = newMapping;
    size = grown;
    return true;
}

bool TraceStorage::finish(std::size_t used, std::string& reason) {
    if (file == -1) {
        return true;
    }
    bool fine = true;
    if (data != nullptr) {
        UnmapViewOfFile(data);
        CloseHandle(static_cast<HANDLE>(mapping));
        if (!moveEnd(handleOf(file), used)) {
            reason = os::lastSystemErrorText();
            fine = false;
        }
    }
    CloseHandle(handleOf(file));
    file = -1;
    mapping = nullptr;
    data = nullptr;
    size = 0;
    return fine;
}

}  // namespace trace
