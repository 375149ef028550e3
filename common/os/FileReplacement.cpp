// SPDX-License-Identifier: MIT
#include "os/FileReplacement.h"

namespace os {

std::string FileReplacement::temporaryName(const std::string& folder, const std::string& name,
                                           unsigned long process, unsigned long stamp,
                                           unsigned attempt) {
    constexpr std::size_t KeptOfName = 200;
    return folder + "." + name.substr(0, KeptOfName) + "." + std::to_string(process) + "-" +
           std::to_string(stamp % 100000) + "-" + std::to_string(attempt);
}

std::intptr_t FileReplacement::release() {
    const std::intptr_t released = file;
    file = -1;
    return released;
}

bool replaceFile(const std::string& path, const std::string& contents, std::string& problem) {
    FileReplacement replacement;
    return replacement.begin(path, problem) &&
           replacement.write(contents.data(), contents.size(), problem) &&
           replacement.commit(false, problem);
}

}  // namespace os
