// SPDX-License-Identifier: MIT
#include "platform/ProgramFiles.h"

#include <io.h>
#include <windows.h>

#include <cstdio>

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

}  // namespace

OutputFile::~OutputFile() {
    discard();
}

void OutputFile::discard() {
    replacement.discard();
}

bool OutputFile::create(const std::string& path, std::string& problem) {
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    const std::string target = length > 0 && length < MAX_PATH ? std::string(full) : path;
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
    return replacement.begin(target, problem);
}

bool OutputFile::write(const std::uint8_t* data, std::size_t size, std::string& problem) {
    return replacement.write(data, size, problem);
}

bool OutputFile::commit(std::string& problem) {
    const bool done = replacement.commit(false, problem);
    discard();
    return done;
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
