// SPDX-License-Identifier: MIT
#include "os/FileReplacement.h"

#include <windows.h>

#include "os/SystemErrorText.h"

namespace os {

namespace {

HANDLE toHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

void FileReplacement::discard() {
    if (file != -1) {
        CloseHandle(toHandle(file));
        file = -1;
    }
    if (!inPlace && !temporary.empty()) {
        DeleteFileA(temporary.c_str());
    }
    temporary.clear();
}

bool FileReplacement::begin(const std::string& path, std::string& problem) {
    target = path;
    const std::string::size_type separator = path.find_last_of("\\/");
    folder = separator == std::string::npos ? "" : path.substr(0, separator + 1);
    const std::string name = path.substr(folder.size());
    // Windows' counterpart of the mode: hidden, system, archive, not indexed.
    const DWORD replaced = GetFileAttributesA(path.c_str());
    const DWORD kept =
        replaced == INVALID_FILE_ATTRIBUTES
            ? 0
            : replaced & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                          FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    // CREATE_NEW never opens what is already there, a link included.
    HANDLE created = INVALID_HANDLE_VALUE;
    for (unsigned attempt = 1; created == INVALID_HANDLE_VALUE && attempt <= 1000; ++attempt) {
        temporary = temporaryName(folder, name, GetCurrentProcessId(), GetTickCount(), attempt);
        created =
            CreateFileA(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                        nullptr, CREATE_NEW, kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    if (created == INVALID_HANDLE_VALUE) {
        problem = lastSystemErrorText();
        temporary.clear();
        return false;
    }
    file = reinterpret_cast<std::intptr_t>(created);
    return true;
}

bool FileReplacement::write(const void* data, std::size_t size, std::string& problem) {
    const auto* bytes = static_cast<const char*>(data);
    for (std::size_t done = 0; done < size;) {
        const DWORD chunk = static_cast<DWORD>(size - done < (1u << 30) ? size - done : (1u << 30));
        DWORD count = 0;
        if (!WriteFile(toHandle(file), bytes + done, chunk, &count, nullptr) || count == 0) {
            problem = lastSystemErrorText();
            return false;
        }
        done += count;
    }
    return true;
}

bool FileReplacement::commit(bool onlyNew, std::string& problem) {
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (onlyNew ? 0 : MOVEFILE_REPLACE_EXISTING);
    inPlace = FlushFileBuffers(toHandle(file)) != 0 &&
              MoveFileExA(temporary.c_str(), target.c_str(), flags) != 0;
    if (!inPlace) {
        problem = lastSystemErrorText();
    }
    return inPlace;
}

}  // namespace os
