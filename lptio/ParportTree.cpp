#include "lptio/ParportTree.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// "parport" followed by digits only: the folder also holds "default".
bool portNumber(const std::string& name, unsigned long& number) {
    const std::string prefix = "parport";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) {
        return false;
    }
    const std::string digits = name.substr(prefix.size());
    if (!std::all_of(digits.begin(), digits.end(),
                     [](unsigned char c) { return std::isdigit(c) != 0; })) {
        return false;
    }
    number = std::strtoul(digits.c_str(), nullptr, 10);  // saturates, never throws
    return true;
}

// The file holds the base in decimal, possibly followed by a tab and the extended base.
bool readBase(const std::filesystem::path& file, std::uint16_t& base) {
    std::ifstream in(file);
    unsigned long value = 0;
    if (!(in >> value) || value == 0 || value > 0xFFFF) {
        return false;
    }
    base = static_cast<std::uint16_t>(value);
    return true;
}

}  // namespace

ParportTree::ParportTree(std::string root) : root(std::move(root)) {}

std::vector<KernelPort> ParportTree::ports() const {
    namespace fs = std::filesystem;
    std::vector<std::pair<unsigned long, KernelPort>> found;
    std::error_code error;
    for (const auto& entry :
         fs::directory_iterator(fs::path(root) / "proc/sys/dev/parport", error)) {
        const std::string name = entry.path().filename().string();
        unsigned long number = 0;
        KernelPort port;
        if (portNumber(name, number) && readBase(entry.path() / "base-addr", port.base)) {
            port.name = name;
            found.emplace_back(number, port);
        }
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<KernelPort> result;
    for (const auto& [number, port] : found) {
        result.push_back(port);
    }
    return result;
}

bool ParportTree::ppdevLoaded() const {
    // Character devices are listed as "<major> <name>", built in or loaded as a module alike.
    std::ifstream in(std::filesystem::path(root) / "proc/devices");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string major, name;
        if (fields >> major >> name && name == "ppdev") {
            return true;
        }
    }
    return false;
}
