// SPDX-License-Identifier: MIT
#include "lptflash/InputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "os/SystemErrorText.h"

bool readInputFile(const std::string& path, std::uint64_t limit, std::vector<std::uint8_t>& data,
                   std::string& problem) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                               std::fclose);
    if (file == nullptr) {
        problem = os::lastSystemErrorText();
        return false;
    }
    data.clear();
    std::uint8_t buffer[65536];
    for (;;) {
        const std::size_t count = std::fread(buffer, 1, sizeof buffer, file.get());
        if (data.size() + count > limit) {
            problem = "longer than the chip's " + std::to_string(limit) + " bytes";
            return false;
        }
        data.insert(data.end(), buffer, buffer + count);
        if (count < sizeof buffer) {
            break;
        }
    }
    if (std::ferror(file.get())) {
        problem = os::lastSystemErrorText();
        return false;
    }
    return true;
}
