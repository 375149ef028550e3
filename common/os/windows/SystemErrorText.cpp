// SPDX-License-Identifier: MIT
#include "os/SystemErrorText.h"

#include <windows.h>

#include <cstdio>

namespace os {

std::string systemErrorWords(unsigned long error, const std::string& insert) {
    char text[512] = "";
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    std::string words(text, length);
    for (std::size_t at = words.find("%1"); at != std::string::npos;
         at = words.find("%1", at + insert.size())) {
        words.replace(at, 2, insert);
    }
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' ' ||
                              words.back() == '.')) {
        words.pop_back();
    }
    return words;
}

std::string systemErrorText(unsigned long error, const std::string& insert) {
    const std::string words = systemErrorWords(error, insert);
    if (!words.empty()) {
        return words;
    }
    char code[32];
    std::snprintf(code, sizeof code, "system error 0x%08lX", error & 0xFFFFFFFFul);
    return code;
}

std::string lastSystemErrorText(const std::string& insert) {
    return systemErrorText(GetLastError(), insert);
}

}  // namespace os
