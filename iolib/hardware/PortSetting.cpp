// SPDX-License-Identifier: MIT
#include "hardware/PortSetting.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "hardware/PortAddress.h"
#include "os/EnvironmentSetting.h"

namespace {

constexpr const char* Accepted =
    "a ppdev device (/dev/parport1 or parport1), LPT1, LPT2, ... (/dev/parport0, /dev/parport1, "
    "...) or a base address (0xd010 or 53264)";

constexpr std::size_t MaxLength = 255;

bool allOf(const std::string& text, int (*test)(int)) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [test](unsigned char c) { return test(c) != 0; });
}

// A port's registers start at a multiple of four, above the mainboard's own devices.
bool plausibleBase(unsigned long value) {
    return value >= 0x100 && value <= 0xFFFF && value % 4 == 0;
}

// A base address, or in problem why the text is none (left alone for text that is no number).
bool parseAddress(const std::string& text, std::uint16_t& base, std::string& problem) {
    const bool hexadecimal =
        text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    // Leading zeros change nothing, so "0378" means what "378" does: no octal either.
    std::string digits = text.substr(hexadecimal ? 2 : 0);
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
    if (!allOf(digits, hexadecimal ? isxdigit : isdigit)) {
        if (!hexadecimal && allOf(digits, isxdigit) && digits.size() <= 4 &&
            plausibleBase(std::strtoul(digits.c_str(), nullptr, 16))) {
            problem = "not a decimal number; did you mean 0x" + digits + "?";
        }
        return false;
    }
    const unsigned long value =
        digits.size() > 5 ? 0x10000 : std::strtoul(digits.c_str(), nullptr, hexadecimal ? 16 : 10);
    if (!plausibleBase(value)) {
        // BIOS screens show bases in hexadecimal without the 0x: "378" is 0x378, not 0x17a.
        if (!hexadecimal && digits.size() <= 4 &&
            plausibleBase(std::strtoul(digits.c_str(), nullptr, 16))) {
            problem = "read as decimal it is no port base; did you mean 0x" + digits + "?";
        } else {
            problem = "not a port base (a multiple of 4 from 0x100 to 0xfffc)";
        }
        return false;
    }
    base = static_cast<std::uint16_t>(value);
    return true;
}

// "/dev/lp0" or "lp0": the printer driver's node, which takes print jobs, not register access.
bool printerNode(const std::string& text, std::string& number) {
    const std::string name = text.compare(0, 5, "/dev/") == 0 ? text.substr(5) : text;
    number = name.size() > 2 ? name.substr(2) : "";
    return name.compare(0, 2, "lp") == 0 && allOf(number, isdigit);
}

// "LPT1", as Windows and the program's users name the first port; number receives 1 for it.
bool windowsPortName(const std::string& text, unsigned long& number) {
    if (text.size() < 4 || text.size() > 6) {
        return false;
    }
    const std::string digits = text.substr(3);
    if (std::toupper(static_cast<unsigned char>(text[0])) != 'L' ||
        std::toupper(static_cast<unsigned char>(text[1])) != 'P' ||
        std::toupper(static_cast<unsigned char>(text[2])) != 'T' || !allOf(digits, isdigit)) {
        return false;
    }
    number = std::strtoul(digits.c_str(), nullptr, 10);
    return true;
}

}  // namespace

void refuseOnProblems(PortSetting& setting, const std::vector<std::string>& problems) {
    for (const std::string& problem : problems) {
        setting.problem += (setting.problem.empty() ? "" : "\n") + problem;
        setting.kind = PortSetting::Kind::Invalid;
    }
}

PortSetting parsePortSetting(const char* value, const char* directIo) {
    PortSetting setting;
    const std::string direct = directIo != nullptr ? directIo : "";
    std::vector<std::string> problems;
    if (direct == "1") {
        setting.directIo = true;
    } else if (!direct.empty() && direct != "0") {
        problems.push_back(settings::badSetting(DirectIoVariable, direct, "not a switch",
                                                "1 (direct I/O where ppdev does not serve the "
                                                "port, as root), 0 or unset (never)"));
    }
    if (value == nullptr || *value == '\0') {
        refuseOnProblems(setting, problems);
        return setting;
    }
    const std::string text = value;
    std::string problem = "not a parallel port";
    std::string number;
    unsigned long portNumber = 0;
    // A device path is echoed in later messages as it is: it must be short and printable.
    if (std::isspace(static_cast<unsigned char>(text.front())) != 0 ||
        std::isspace(static_cast<unsigned char>(text.back())) != 0) {
        problem = "blank characters around the value";
    } else if (!allOf(text, isprint)) {
        problem = "control or non-ASCII characters in the value";
    } else if (text.size() > MaxLength) {
        problem = "longer than " + std::to_string(MaxLength) + " characters";
    } else if (printerNode(text, number)) {
        problem = "the printer driver's node, not a ppdev device; use /dev/parport" + number;
    } else if (windowsPortName(text, portNumber)) {
        // Windows counts its ports from 1, the kernel from 0.
        if (portNumber == 0) {
            problem = "ports count from LPT1 (/dev/parport0)";
        } else {
            setting.kind = PortSetting::Kind::Device;
            setting.device = "/dev/parport" + std::to_string(portNumber - 1);
        }
    } else if (text[0] == '/') {
        setting.kind = PortSetting::Kind::Device;
        setting.device = text;
    } else if (text.compare(0, 7, "parport") == 0 && text.size() > 7) {
        setting.kind = PortSetting::Kind::Device;
        setting.device = "/dev/" + text;
    } else if (parseAddress(text, setting.base, problem)) {
        setting.kind = PortSetting::Kind::Address;
    }
    if (setting.kind == PortSetting::Kind::Unset) {
        problems.insert(problems.begin(),
                        settings::badSetting(PortVariable, text, problem, Accepted));
    }
    refuseOnProblems(setting, problems);
    return setting;
}

std::string unreachableHeading(std::uint16_t programBase, const PortSetting& setting) {
    std::string text = "lptio: cannot reach the port at " + hexAddress(programBase);
    if (setting.kind == PortSetting::Kind::Device) {
        text += " (LPTIO_PORT=" + setting.device + ")";
    } else if (setting.kind == PortSetting::Kind::Address) {
        text += " (LPTIO_PORT=" + hexAddress(setting.base) + ")";
    }
    return text + ", reads give 0xFF: ";
}
