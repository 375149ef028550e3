#include "porttrace/TraceStorage.h"

#include <windows.h>

#include <cstring>

namespace porttrace {

namespace {

constexpr std::size_t FirstSize = 16 * 1024;
constexpr std::size_t LargestStep = 16 * 1024 * 1024;
constexpr std::size_t PlainBufferSize = 64 * 1024;

std::string lastError() {
    const DWORD code = GetLastError();
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.')) {
        message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(code) : message;
}

HANDLE handleOf(std::intptr_t file) {
    return reinterpret_cast<HANDLE>(file);
}

bool moveEnd(HANDLE file, std::size_t size) {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(size);
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

}  // namespace

bool replaceFile(const std::string& path, const std::string& text, std::string& reason) {
    const std::string temporary = path + "." + std::to_string(GetCurrentProcessId()) + "." +
                                  std::to_string(GetTickCount64()) + ".tmp";
    HANDLE handle = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        reason = lastError();
        return false;
    }
    DWORD written = 0;
    bool fine =
        WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size() && FlushFileBuffers(handle);
    if (!fine) {
        reason = lastError();
    }
    CloseHandle(handle);
    if (fine && !MoveFileExA(temporary.c_str(), path.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        reason = lastError();
        fine = false;
    }
    if (!fine) {
        DeleteFileA(temporary.c_str());
    }
    return fine;
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
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        reason = lastError();
        return false;
    }
    file = reinterpret_cast<std::intptr_t>(handle);
    std::size_t used = 0;
    if (GetFileType(handle) == FILE_TYPE_DISK && makeRoomInMapping(used, FirstSize, reason)) {
        return true;
    }
    // Devices and pipes take the text through a buffer.
    mapped = false;
    plain.assign(PlainBufferSize, '\0');
    data = plain.data();
    size = plain.size();
    return true;
}

bool TraceStorage::makeRoom(std::size_t& used, std::size_t more, std::string& reason) {
    if (mapped) {
        return makeRoomInMapping(used, more, reason);
    }
    for (std::size_t done = 0; done < used;) {
        DWORD written = 0;
        const DWORD piece = static_cast<DWORD>(used - done < 0x40000000 ? used - done : 0x40000000);
        if (!WriteFile(handleOf(file), data + done, piece, &written, nullptr) || written == 0) {
            reason = lastError();
            return false;
        }
        done += written;
    }
    used = 0;
    if (more > plain.size()) {
        plain.assign(more, '\0');
        data = plain.data();
        size = plain.size();
    }
    return true;
}

// The view is remade at the new size: the file grows with the mapping, and the system writes a
// view's pages to the file also after the process has ended.
bool TraceStorage::makeRoomInMapping(std::size_t& used, std::size_t more, std::string& reason) {
    std::size_t grown = size == 0 ? FirstSize : size + (size < LargestStep ? size : LargestStep);
    while (grown < used + more) {
        grown += grown < LargestStep ? grown : LargestStep;
    }
    // Taking the disk space first turns a full disk into an error here, not a fault later.
    if (!moveEnd(handleOf(file), grown)) {
        reason = lastError();
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
        reason = lastError();
        if (newMapping != nullptr) {
            CloseHandle(newMapping);
        }
        return false;
    }
    std::memset(static_cast<char*>(view) + size, TracePadding, grown - size);
    if (data != nullptr) {
        UnmapViewOfFile(data);
        CloseHandle(static_cast<HANDLE>(mapping));
    }
    data = static_cast<char*>(view);
    mapping = newMapping;
    size = grown;
    mapped = true;
    return true;
}

bool TraceStorage::finish(std::size_t used, std::string& reason) {
    if (file == -1) {
        return true;
    }
    std::size_t left = used;
    bool fine = mapped ? true : makeRoom(left, 0, reason);
    if (mapped) {
        UnmapViewOfFile(data);
        CloseHandle(static_cast<HANDLE>(mapping));
        if (!moveEnd(handleOf(file), used)) {
            reason = lastError();
            fine = false;
        }
    }
    CloseHandle(handleOf(file));
    file = -1;
    mapping = nullptr;
    data = nullptr;
    size = 0;
    mapped = false;
    plain.clear();
    return fine;
}

}  // namespace porttrace
