// SPDX-License-Identifier: MIT
#include "os/SystemErrorText.h"

#include <cerrno>
#include <cstring>

namespace os {

// The C library's words need no filling: insert is for Windows' "%1".
std::string systemErrorWords(unsigned long error, const std::string&) {
    return std::strerror(static_cast<int>(error));
}

std::string systemErrorText(unsigned long error, const std::string& insert) {
    return systemErrorWords(error, insert);
}

std::string lastSystemErrorText(const std::string& insert) {
    return systemErrorText(static_cast<unsigned long>(errno), insert);
}

}  // namespace os
