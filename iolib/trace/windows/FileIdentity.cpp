// SPDX-License-Identifier: MIT
#include "trace/FileIdentity.h"

#include <windows.h>

#include <cctype>

namespace trace {

std::string fileIdentity(const std::string& path) {
    const HANDLE file =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION info{};
        const BOOL known = GetFileInformationByHandle(file, &info);
        CloseHandle(file);
        if (known) {
            return "file " + std::to_string(info.dwVolumeSerialNumber) + ":" +
                   std::to_string(info.nFileIndexHigh) + ":" + std::to_string(info.nFileIndexLow);
        }
    }
    // Not there yet: its full path, whose case Windows ignores.
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    std::string name = length > 0 && length < MAX_PATH ? std::string(full, length) : path;
    for (char& c : name) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return "path " + name;
}

std::string ownModulePath() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&ownModulePath), &module)) {
        return "";
    }
    char name[MAX_PATH];
    const DWORD length = GetModuleFileNameA(module, name, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(name, length) : "";
}

}  // namespace trace
