// SPDX-License-Identifier: MIT
// The system's words for an error code, as an operator reads them after a colon.
#ifndef LPTFLASH_OS_SYSTEMERRORTEXT_H
#define LPTFLASH_OS_SYSTEMERRORTEXT_H

#include <string>

namespace os {

// The system's words for an errno value (POSIX) or for a Windows system error code or HRESULT,
// on one line without the closing period, with Windows' "%1" filled by insert (its own filling
// needs arguments a caller cannot know, and an unfilled "%1" tells the operator nothing). Empty
// when Windows has no words for it.
std::string systemErrorWords(unsigned long error, const std::string& insert = "");

// The same, or "system error 0x0000007E" when Windows has no words for it.
std::string systemErrorText(unsigned long error, const std::string& insert = "");

// The text for the calling thread's last error: errno, or Windows' GetLastError().
std::string lastSystemErrorText(const std::string& insert = "");

}  // namespace os

#endif
