// SPDX-License-Identifier: MIT
#include "hardware/linux/ParportTree.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
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

// One line of /proc/ioports: "  0378-037a : parport0", nested by two spaces a level.
struct IoRange {
    std::size_t depth;
    unsigned long first;
    unsigned long last;
    std::string text;  // "0378-037a : parport0"
    std::string owner;
};

bool parseIoRange(const std::string& line, IoRange& range) {
    range.depth = line.find_first_not_of(' ');
    if (range.depth == std::string::npos) {
        return false;
    }
    range.text = line.substr(range.depth);
    char* end = nullptr;
    range.first = std::strtoul(range.text.c_str(), &end, 16);
    if (*end != '-') {
        return false;
    }
    range.last = std::strtoul(end + 1, &end, 16);
    const std::string separator = " : ";
    if (std::string(end).compare(0, separator.size(), separator) != 0) {
        return false;
    }
    range.owner = end + separator.size();
    return true;
}

// An I/O range known to hold a parallel port's registers, and where it is known from.
struct ParallelRange {
    unsigned long first;
    unsigned long last;
    std::string origin;  // "" for a legacy base, else the PCI device: "0000:05:00.0"
};

unsigned long hexNumber(const std::string& text) {
    return std::strtoul(text.c_str(), nullptr, 16);  // saturates, never throws
}

// The I/O ranges of the PCI parallel port controllers: a device's "class" reads "0x0701xx",
// and each line of its "resource" is "start end flags", I/O ranges flagged 0x100.
std::vector<ParallelRange> pciParallelRanges(const std::filesystem::path& devices) {
    constexpr unsigned long ParallelClass = 0x0701;
    constexpr unsigned long IoResource = 0x100;
    std::vector<ParallelRange> ranges;
    std::error_code error;
    for (const auto& device : std::filesystem::directory_iterator(devices, error)) {
        std::ifstream classFile(device.path() / "class");
        std::string classCode;
        if (!(classFile >> classCode) || hexNumber(classCode) >> 8 != ParallelClass) {
            continue;
        }
        std::ifstream resource(device.path() / "resource");
        std::string start, end, flags;
        while (resource >> start >> end >> flags) {
            const unsigned long first = hexNumber(start), last = hexNumber(end);
            if ((hexNumber(flags) & IoResource) != 0 && first != 0 && first <= last) {
                ranges.push_back({first, last, device.path().filename().string()});
            }
        }
    }
    std::sort(ranges.begin(), ranges.end(),
              [](const ParallelRange& a, const ParallelRange& b) { return a.first < b.first; });
    return ranges;
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
            std::ifstream active(entry.path() / "devices/active");
            if (std::getline(active, port.holder) && port.holder == "none") {
                port.holder.clear();
            }
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

bool ParportTree::ioRangeFree(std::uint16_t first, unsigned count, std::string& why) const {
    if (first < 0x100) {
        why = "below 0x100 are the mainboard's own devices";
        return false;
    }
    std::ifstream in(std::filesystem::path(root) / "proc/ioports");
    std::vector<IoRange> ranges;
    std::string line;
    bool shown = false;
    while (std::getline(in, line)) {
        IoRange range;
        if (parseIoRange(line, range)) {
            shown = shown || range.last != 0;
            ranges.push_back(range);
        }
    }
    if (!shown) {
        // Without CAP_SYS_ADMIN the kernel shows every range as 0000-0000.
        why = ranges.empty() ? "/proc/ioports cannot be read"
                             : "/proc/ioports shows no addresses to this user (needs root)";
        return false;
    }
    for (unsigned long port = first; port < first + count; ++port) {
        // The innermost range holding the port is the one whose driver uses it.
        const IoRange* user = nullptr;
        for (const IoRange& range : ranges) {
            if (range.first <= port && port <= range.last &&
                (user == nullptr || range.depth > user->depth)) {
                user = &range;
            }
        }
        if (user != nullptr && user->owner.rfind("parport", 0) != 0 &&
            user->owner.rfind("PCI Bus", 0) != 0) {
            why = "/proc/ioports gives " + user->text.substr(0, user->text.find(' ')) + " to " +
                  user->owner;
            return false;
        }
    }
    return true;
}

bool ParportTree::knownParallelPort(std::uint16_t first, unsigned count, std::string& why) const {
    // The bases that PC mainboards and ISA cards gave their ports, each with its EPP registers.
    std::vector<ParallelRange> known = {{0x378, 0x37F, ""}, {0x278, 0x27F, ""}, {0x3BC, 0x3BF, ""}};
    const std::vector<ParallelRange> pci =
        pciParallelRanges(std::filesystem::path(root) / "sys/bus/pci/devices");
    known.insert(known.end(), pci.begin(), pci.end());
    const unsigned long last = static_cast<unsigned long>(first) + count - 1;
    if (std::any_of(known.begin(), known.end(), [first, last](const ParallelRange& range) {
            return range.first <= first && last <= range.last;
        })) {
        return true;
    }
    why = "not known to be a parallel port; known: the legacy bases 0x378, 0x278, 0x3bc";
    char text[48];
    for (const ParallelRange& range : pci) {
        std::snprintf(text, sizeof text, ", 0x%lx-0x%lx (PCI ", range.first, range.last);
        why += text + range.origin + ")";
    }
    return false;
}
