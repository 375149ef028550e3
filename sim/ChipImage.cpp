#include "sim/ChipImage.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace sim {

namespace fs = std::filesystem;

std::vector<std::uint8_t> freshChipContents(std::size_t size) {
    static const char pattern[] = "LPTIO SIM ";
    std::vector<std::uint8_t> contents(size);
    for (std::size_t i = 0; i < size; ++i) {
        contents[i] = static_cast<std::uint8_t>(pattern[i % (sizeof pattern - 1)]);
    }
    return contents;
}

bool loadChipImage(const std::string& path, std::size_t size, std::vector<std::uint8_t>& contents,
                   std::string& problem) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) {
        contents = freshChipContents(size);
        return saveChipImage(path, contents, problem);
    }
    if (error || status.type() != fs::file_type::regular) {
        problem = "not a regular file that can be read";
        return false;
    }
    const std::uintmax_t actual = fs::file_size(path, error);
    if (error || actual != size) {
        problem = "the file holds " + std::to_string(actual) + " bytes instead of " +
                  std::to_string(size);
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    contents.assign(size, 0);
    if (!in.read(reinterpret_cast<char*>(contents.data()), static_cast<std::streamsize>(size))) {
        problem = "the file cannot be read";
        return false;
    }
    return true;
}

bool saveChipImage(const std::string& path, const std::vector<std::uint8_t>& contents,
                   std::string& problem) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(contents.data()),
                  static_cast<std::streamsize>(contents.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            problem = "cannot write " + temporary;
            return false;
        }
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error) {
        problem = "cannot replace the file (" + error.message() + ")";
        fs::remove(temporary, error);
        return false;
    }
    return true;
}

}  // namespace sim
