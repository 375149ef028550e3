// SPDX-License-Identifier: MIT
// Settings of the port I/O libraries: environment variables under the one prefix LPTIO_, and the
// one-line message that names a bad one.
#ifndef LPTFLASH_OS_ENVIRONMENTSETTING_H
#define LPTFLASH_OS_ENVIRONMENTSETTING_H

#include <string>

namespace settings {

// The variable's value; unset and empty both give an empty string.
std::string environmentSetting(const char* name);

// The value as a message may show it: control bytes and non-ASCII as \xNN, cut short with "...".
std::string shownValue(const std::string& value);

// "lptio: NAME="value": problem; accepted: accepted", the value shown as above.
std::string badSetting(const char* name, const std::string& value, const std::string& problem,
                       const std::string& accepted);

}  // namespace settings

#endif
