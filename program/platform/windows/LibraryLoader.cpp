// SPDX-License-Identifier: MIT
#include "platform/LibraryLoader.h"

#include <windows.h>

#include "os/SystemErrorText.h"

#include <cstdio>
#include <string>

namespace {

const char* const ownBuild = sizeof(void*) == 8 ? "x64" : "x86";

// The build of the program that can load the library at path, when that is not this one: read
// from the machine field of its PE header. Null when it is no PE file or of no known machine.
const char* buildForLibrary(const char* path) {
    HMODULE data = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (data == nullptr) {
        return nullptr;
    }
    // A data-file handle is the address of the file's mapped view with its low bits set.
    const auto* base = reinterpret_cast<const unsigned char*>(reinterpret_cast<ULONG_PTR>(data) &
                                                              ~static_cast<ULONG_PTR>(3));
    // The machine field sits alike in 32-bit and 64-bit headers.
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const bool headers = dos->e_magic == IMAGE_DOS_SIGNATURE && nt->Signature == IMAGE_NT_SIGNATURE;
    const WORD machine = headers ? nt->FileHeader.Machine : 0;
    FreeLibrary(data);
    if (machine == IMAGE_FILE_MACHINE_I386) {
        return "x86";
    }
    return machine == IMAGE_FILE_MACHINE_AMD64 ? "x64" : nullptr;
}

// The program's file name without its folder and ".exe": flashtest, lptflash.
std::string programName() {
    char path[MAX_PATH] = "";
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, length < MAX_PATH ? length : 0);
    name = name.substr(name.find_last_of("\\/") + 1);
    const std::string::size_type dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// One line on stderr when the library is there but would not load; a missing one stays silent.
void reportLoadFailure(const char* baseName, DWORD error) {
    const std::string fileName = std::string(baseName) + ".dll";
    char path[MAX_PATH];
    const DWORD found = SearchPathA(nullptr, fileName.c_str(), nullptr, MAX_PATH, path, nullptr);
    if (found == 0 || found >= MAX_PATH) {
        return;
    }
    const std::string program = programName();
    std::string line = program + ": cannot load " + std::string(path) + ": " +
                       os::systemErrorText(error, fileName);
    const char* build = error == ERROR_BAD_EXE_FORMAT ? buildForLibrary(path) : nullptr;
    if (build != nullptr && std::string(build) != ownBuild) {
        line += std::string(". It is a ") + (build[1] == '8' ? "32" : "64") +
                "-bit library: use the " + build + " build of " + program + ".";
    }
    std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace

LibraryHandle openLibrary(const char* baseName) {
    // A broken io.dll or a missing dependency must not stop the run on a dialog box.
    const UINT errorMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // The loader adds ".dll" and looks beside the program first, where the operator puts io.dll.
    HMODULE library = LoadLibraryA(baseName);
    if (library == nullptr) {
        reportLoadFailure(baseName, GetLastError());
    }
    SetErrorMode(errorMode);
    return static_cast<LibraryHandle>(library);
}

LibraryEntry findLibraryEntry(LibraryHandle library, const char* name) {
    return reinterpret_cast<LibraryEntry>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void closeLibrary(LibraryHandle library) {
    if (library != nullptr) {  // nothing was loaded: nothing to release, on every OS alike
        FreeLibrary(static_cast<HMODULE>(library));
    }
}
