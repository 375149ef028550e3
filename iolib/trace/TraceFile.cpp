// SPDX-License-Identifier: MIT
#include "trace/TraceFile.h"

#include <cstdio>

#include "os/EnvironmentSetting.h"

namespace trace {

namespace {

// Kept free at the end of a mapping for the comment that marks a trace incomplete.
constexpr std::size_t ClosingRoom = 256;

}  // namespace

bool TraceFile::open(const std::string& filePath, std::string& reason) {
    close();
    if (!storage.open(filePath, reason)) {
        return false;
    }
    path = filePath;
    taking = true;
    used = 0;
    room = storage.capacity() > ClosingRoom ? storage.capacity() - ClosingRoom : 0;
    return true;
}

void TraceFile::writeAfterGrowing(const char* text, std::size_t size) {
    if (!taking) {
        return;
    }
    std::string reason;
    if (!storage.makeRoom(used, size + ClosingRoom, reason)) {
        fail(reason);
        return;
    }
    room = storage.capacity() - used - ClosingRoom;
    write(text, size);
}

void TraceFile::fail(const std::string& reason) {
    taking = false;
    std::fprintf(stderr, "lptio: cannot write the trace %s (%s): it ends here, incomplete\n",
                 settings::shownValue(path).c_str(), reason.c_str());
    const std::string mark = std::string(commentStart) + "incomplete: the trace could not be " +
                             "written further (" + reason + ")" + commentEnd + "\n";
    const std::size_t free = storage.capacity() - used;
    const std::size_t size = mark.size() < free ? mark.size() : free;
    mark.copy(storage.buffer() + used, size);
    used += size;
    room = 0;
}

void TraceFile::close() {
    if (!storage.isOpen()) {
        return;
    }
    std::string reason;
    if (!storage.finish(used, reason) && taking) {
        std::fprintf(stderr, "lptio: cannot write the trace %s (%s)\n",
                     settings::shownValue(path).c_str(), reason.c_str());
    }
    taking = false;
    used = 0;
    room = 0;
}

}  // namespace trace
