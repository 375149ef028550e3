// SPDX-License-Identifier: MIT
#include "TemporaryFolder.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

TemporaryFolder::TemporaryFolder(const std::string& below) {
    std::error_code missing;
    const std::filesystem::path base =
        below.empty() || !std::filesystem::is_directory(below, missing)
            ? std::filesystem::temp_directory_path()
            : std::filesystem::path(below);
    std::string pattern = (base / "lptflash-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) {
        folder = pattern;
    }
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    if (!folder.empty()) {
        std::filesystem::remove_all(folder, ignored);
    }
}

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

void writeWholeFile(const std::string& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
}
