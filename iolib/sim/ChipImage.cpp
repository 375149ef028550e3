// SPDX-License-Identifier: MIT
#include "sim/ChipImage.h"

namespace sim {

std::vector<std::uint8_t> freshChipContents(std::size_t size) {
    static const char pattern[] = "LPTIO SIM ";
    std::vector<std::uint8_t> contents(size);
    for (std::size_t i = 0; i < size; ++i) {
        contents[i] = static_cast<std::uint8_t>(pattern[i % (sizeof pattern - 1)]);
    }
    return contents;
}

bool ChipImage::load(const std::string& path, std::size_t size, std::vector<std::uint8_t>& contents,
                     std::string& problem) {
    switch (file.open(path, problem)) {
        case ImageFile::Found::Missing:
            missing = true;
            contents = freshChipContents(size);
            return true;
        case ImageFile::Found::Refused:
            return false;
        case ImageFile::Found::Opened:
            break;
    }
    if (file.size() != size) {
        problem = "the file holds " + std::to_string(file.size()) + " bytes instead of " +
                  std::to_string(size);
        return false;
    }
    contents.assign(size, 0);
    return file.read(contents, problem);
}

bool ChipImage::createIfMissing(const std::vector<std::uint8_t>& contents, std::string& problem) {
    if (missing && !file.replace(contents, true, problem)) {
        problem = "cannot be created (" + problem + ")";
        return false;
    }
    missing = false;
    return true;
}

bool ChipImage::save(const std::vector<std::uint8_t>& contents, std::string& problem) {
    behind = !file.replace(contents, false, problem);
    unsynced = unsynced && behind;  // a new file replaces the one with unsynced bytes
    return !behind;
}

bool ChipImage::program(const std::vector<std::uint8_t>& contents, std::size_t offset,
                        std::string& problem) {
    if (behind) {
        return save(contents, problem);
    }
    behind = !file.writeByte(offset, contents[offset], problem);
    unsynced = true;
    return !behind;
}

bool ChipImage::sync(std::string& problem) {
    if (!unsynced) {
        return true;
    }
    unsynced = false;
    return file.sync(problem);
}

}  // namespace sim
