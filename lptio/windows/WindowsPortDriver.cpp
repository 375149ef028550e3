#include "lptio/windows/WindowsPortDriver.h"

#include <windows.h>

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

std::string systemMessage(unsigned long error) {
    char text[512] = "";
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() &&
           (message.back() == '\n' || message.back() == '\r' || message.back() == '.')) {
        message.pop_back();
    }
    return message.empty() ? "system error " + std::to_string(error) : message;
}

std::string WindowsPortDriver::libraryName() const {
    return sizeof(void*) == 8 ? "inpoutx64.dll" : "inpout32.dll";
}

PortDriver::State WindowsPortDriver::load(std::string& reason) {
    if (!tried) {
        tried = true;
        const std::wstring beside = folderOfThisLibrary() + widened(libraryName());
        const bool besideExists = GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES;
        // A library that cannot be loaded must come back as an error, never as a dialog box
        // that stops the run.
        DWORD oldMode = 0;
        SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
        HMODULE module =
            besideExists ? LoadLibraryExW(beside.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)
                         : LoadLibraryW(widened(libraryName()).c_str());
        const DWORD error = GetLastError();
        SetThreadErrorMode(oldMode, nullptr);

        if (module == nullptr && !besideExists &&
            (error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND)) {
            state = State::LibraryMissing;
        } else if (module == nullptr) {
            state = State::LibraryUnusable;
            problem = libraryName() + " cannot be loaded: " + systemMessage(error);
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

bool WindowsPortDriver::memoryIntegrityOn() {
    DWORD enabled = 0;
    DWORD size = sizeof enabled;
    const LSTATUS status = RegGetValueW(HKEY_LOCAL_MACHINE,
                                        L"SYSTEM\\CurrentControlSet\\Control\\DeviceGuard\\"
                                        L"Scenarios\\HypervisorEnforcedCodeIntegrity",
                                        L"Enabled", RRF_RT_REG_DWORD, nullptr, &enabled, &size);
    return status == ERROR_SUCCESS && enabled == 1;
}

bool WindowsPortDriver::listPorts(std::vector<ListedPort>& ports, std::string& reason) {
    return listParallelPorts(ports, reason);
}

void WindowsPortDriver::outByte(std::uint16_t port, std::uint8_t value) {
    out32(static_cast<short>(port), static_cast<short>(value));
}

std::uint8_t WindowsPortDriver::inByte(std::uint16_t port) {
    return static_cast<std::uint8_t>(inp32(static_cast<short>(port)) & 0xFF);
}
