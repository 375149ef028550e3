#include "porttrace/TraceFile.h"

#include <cerrno>
#include <cstring>

namespace porttrace {

bool TraceFile::open(const std::string& path, std::string& reason) {
    close();
    file = std::fopen(path.c_str(), "w");
    if (file == nullptr) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}

void TraceFile::write(const std::string& text) {
    if (file != nullptr) {
        std::fputs(text.c_str(), file);
        std::fflush(file);
    }
}

void TraceFile::close() {
    if (file != nullptr) {
        std::fclose(file);
        file = nullptr;
    }
}

}  // namespace porttrace
