// SPDX-License-Identifier: MIT
#include "trace/FileIdentity.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace trace {

namespace {

std::string identityOf(const struct stat& status) {
    return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

}  // namespace

std::string fileIdentity(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) {
        return "file " + identityOf(status);
    }
    const std::string::size_type slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    if (stat(folder.c_str(), &status) == 0) {
        return "new " + identityOf(status) + "/" + path.substr(slash + 1);
    }
    return "path " + path;
}

std::string ownModulePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ownModulePath), &info) == 0 || info.dli_fname == nullptr) {
        return "";
    }
    return info.dli_fname;
}

}  // namespace trace
