// SPDX-License-Identifier: MIT
#include "hardware/windows/WindowsPortDriver.h"

#include <windows.h>

#include "os/SystemErrorText.h"

namespace {

using DriverOpenEntry = BOOL(__stdcall*)(void);

std::wstring widened(const std::string& text) {
    return std::wstring(text.begin(), text.end());  // ASCII names only
}

// The folder io.dll was loaded from, with its trailing backslash; empty when unknown.
std::wstring folderOfThisLibrary() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&folderOfThisLibrary), &self)) {
        return L"";
    }
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(self, &path[0], static_cast<DWORD>(path.size()));
    path.resize(length);
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"" : path.substr(0, slash + 1);
}

}  // namespace

std::string narrowed(const std::wstring& text) {
    std::string result;
    for (wchar_t c : text) {
        result += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return result;
}

std::string WindowsPortDriver::libraryName() const {
    return sizeof(void*) == 8 ? "inpoutx64.dll" : "inpout32.dll";
}

PortDriver::State WindowsPortDriver::load(std::string& reason) {
    if (!tried) {
        tried = true;
        // Without io.dll's own folder the name alone would be looked up in the current folder.
        const std::wstring folder = folderOfThisLibrary();
        const std::wstring beside = folder + widened(libraryName());
        const bool besideExists =
            !folder.empty() && GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES;
        // A library that cannot be loaded must come back as an error, never as a dialog box
        // that stops the run.
        DWORD oldMode = 0;
        SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
        // Never the current folder or PATH: an elevated load of this library installs a kernel
        // service, so it comes only from beside io.dll or from Windows' system folder.
        HMODULE module =
            besideExists
                ? LoadLibraryExW(beside.c_str(), nullptr,
                                 LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32)
                : LoadLibraryExW(widened(libraryName()).c_str(), nullptr,
                                 LOAD_LIBRARY_SEARCH_SYSTEM32);
        const DWORD error = GetLastError();
        SetThreadErrorMode(oldMode, nullptr);

        if (module == nullptr && !besideExists &&
            (error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND)) {
            state = State::LibraryMissing;
        } else if (module == nullptr) {
            state = State::LibraryUnusable;
            problem = libraryName() + " cannot be loaded: " +
                      os::systemErrorText(error, besideExists ? narrowed(beside) : libraryName());
            if (error == ERROR_BAD_EXE_FORMAT) {
                problem += " (it is not the " + std::to_string(sizeof(void*) * 8) +
                           "-bit library this io.dll needs)";
            }
        } else {
            out32 = reinterpret_cast<Out32Entry>(
                reinterpret_cast<void (*)()>(GetProcAddress(module, "Out32")));
            inp32 = reinterpret_cast<Inp32Entry>(
                reinterpret_cast<void (*)()>(GetProcAddress(module, "Inp32")));
            const auto driverOpen = reinterpret_cast<DriverOpenEntry>(
                reinterpret_cast<void (*)()>(GetProcAddress(module, "IsInpOutDriverOpen")));
            if (out32 == nullptr || inp32 == nullptr || driverOpen == nullptr) {
                state = State::LibraryUnusable;
                problem = libraryName() +
                          " lacks Out32, Inp32 or IsInpOutDriverOpen: it is not the port-access "
                          "library this io.dll works with";
            } else {
                state = driverOpen() ? State::Ready : State::DriverNotOpen;
            }
        }
    }
    reason = problem;
    return state;
}

bool WindowsPortDriver::elevated() {
    HANDLE token = nullptr;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool known =
        OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
        GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    if (token != nullptr) {
        CloseHandle(token);
    }
    return known && elevation.TokenIsElevated != 0;
}

bool WindowsPortDriver::codeIntegrityOptions(unsigned long& options) {
    // What runs, not what is set: Memory Integrity turned on by policy shows only here.
    struct CodeIntegrityInformation {
        ULONG length;
        ULONG options;
    } information{sizeof(CodeIntegrityInformation), 0};
    constexpr ULONG SystemCodeIntegrityInformation = 103;
    using QueryEntry = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto query = ntdll == nullptr ? nullptr
                                        : reinterpret_cast<QueryEntry>(reinterpret_cast<void (*)()>(
                                              GetProcAddress(ntdll, "NtQuerySystemInformation")));
    if (query == nullptr ||
        query(SystemCodeIntegrityInformation, &information, sizeof information, nullptr) < 0) {
        return false;
    }
    options = information.options;
    return true;
}

bool WindowsPortDriver::listDevices(bool everyDevice, std::vector<DeviceResources>& devices,
                                    std::string& reason) {
    return listWindowsDevices(everyDevice, devices, reason);
}

void WindowsPortDriver::outByte(std::uint16_t port, std::uint8_t value) {
    out32(static_cast<short>(port), static_cast<short>(value));
}

std::uint8_t WindowsPortDriver::inByte(std::uint16_t port) {
    return static_cast<std::uint8_t>(inp32(static_cast<short>(port)) & 0xFF);
}
