#include "platform/ProgramFiles.h"

#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

// The console control handler runs on a thread of its own and can reach nothing else.
volatile LONG interrupted = 0;

BOOL WINAPI onControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
        return FALSE;
    }
    // The first request is handled by the program; the next ends it the default way.
    return InterlockedExchange(&interrupted, 1) == 0 ? TRUE : FALSE;
}

std::string reason() {
    const DWORD error = GetLastError();
    char text[512] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, text, sizeof text, nullptr);
    while (length > 0 &&
           (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == '.')) {
        --length;
    }
    return length > 0 ? std::string(text, length) : "error " + std::to_string(error);
}

}  // namespace

OutputFile::~OutputFile() {
    discard();
}

void OutputFile::discard() {
    if (handle != -1) {
        CloseHandle(reinterpret_cast<HANDLE>(handle));
        handle = -1;
    }
    if (!temporary.empty()) {
        DeleteFileA(temporary.c_str());
        temporary.clear();
    }
}

bool OutputFile::create(const std::string& path, std::string& problem) {
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    target = length > 0 && length < MAX_PATH ? std::string(full) : path;
    const DWORD attributes = GetFileAttributesA(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
        problem = "not a regular file";
        return false;
    }
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        problem = "write-protected (read-only attribute)";
        return false;
    }
    const std::string::size_type slash = target.find_last_of("\\/");
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = target.substr(folder.size());
    HANDLE file = INVALID_HANDLE_VALUE;
    for (unsigned attempt = 1; file == INVALID_HANDLE_VALUE && attempt <= 100; ++attempt) {
        temporary = folder + "." + name + "." + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(std::time(nullptr) % 100000) + "-" + std::to_string(attempt);
        // CREATE_NEW fails on any existing name, a link included.
        file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           exists ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    if (file == INVALID_HANDLE_VALUE) {
        problem = reason();
        temporary.clear();
        return false;
    }
    handle = reinterpret_cast<std::intptr_t>(file);
    return true;
}

bool OutputFile::write(const std::uint8_t* data, std::size_t size, std::string& problem) {
    std::size_t done = 0;
    while (done < size) {
        const DWORD chunk = static_cast<DWORD>(size - done > 0x40000000 ? 0x40000000 : size - done);
        DWORD written = 0;
        if (!WriteFile(reinterpret_cast<HANDLE>(handle), data + done, chunk, &written, nullptr)) {
            problem = reason();
            return false;
        }
        done += written;
    }
    return true;
}

bool OutputFile::commit(std::string& problem) {
    const HANDLE file = reinterpret_cast<HANDLE>(handle);
    const bool flushed = FlushFileBuffers(file) != 0;
    if (!flushed) {
        problem = reason();
    }
    CloseHandle(file);
    handle = -1;
    if (!flushed) {
        discard();
        return false;
    }
    if (!MoveFileExA(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        problem = reason();
        discard();
        return false;
    }
    temporary.clear();
    return true;
}

bool errorStreamIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}

void catchInterrupt() {
    SetConsoleCtrlHandler(onControl, TRUE);
}

bool interruptRequested() {
    return interrupted != 0;
}

void endAsInterrupted() {
    std::fflush(nullptr);
    ExitProcess(static_cast<UINT>(STATUS_CONTROL_C_EXIT));  // as Ctrl-C ends a console program
}
