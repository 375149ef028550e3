// SPDX-License-Identifier: MIT
#include "hardware/DriverPortFinder.h"

#include <cctype>
#include <cerrno>

#include "hardware/ListedDevices.h"
#include "hardware/PortAddress.h"
#include "os/EnvironmentSetting.h"

namespace {

constexpr std::uint8_t DataReverseBit = 0x20;  // control register: data lines left to the device
constexpr std::uint8_t EcrModeBits = 0xE0;
constexpr std::uint8_t EcrPs2Mode = 0x20;     // 001: byte mode, the data lines can turn round
constexpr unsigned long HvciRunning = 0x400;  // CODEINTEGRITY_OPTION_HVCI_KMCI_ENABLED

std::string upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// "LPT1".."LPT99", as Windows names its parallel ports.
bool portName(const std::string& text) {
    const std::string name = upper(text);
    return name.size() >= 4 && name.size() <= 5 && name.compare(0, 3, "LPT") == 0 &&
           name[3] != '0' && std::isdigit(static_cast<unsigned char>(name[3])) != 0 &&
           (name.size() == 4 || std::isdigit(static_cast<unsigned char>(name[4])) != 0);
}

std::string hexByte(std::uint8_t value) {
    const char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[value >> 4] + digits[value & 15];
}

std::string listed(const std::vector<ListedPort>& ports) {
    std::string text;
    for (const ListedPort& port : ports) {
        text += (text.empty() ? "" : ", ") + port.name + " at " + hexAddress(port.base);
    }
    return text;
}

// A port Windows lists, reached through the port-access library. The first data write made
// while the port drives its data lines is read back: a port that is not there reads 0xFF, and
// anything else at that address would not keep the byte.
class DriverChannel : public PortChannel {
  public:
    DriverChannel(PortDriver& driver, std::uint16_t base, std::string route, std::string others)
        : driver(driver), base(base), name(std::move(route)), others(std::move(others)) {}

    int write(unsigned offset, std::uint8_t value) override {
        if (offset > 2) {
            return EINVAL;
        }
        if (offset == 1) {
            return 0;  // the status register is read-only
        }
        const auto port = static_cast<std::uint16_t>(base + offset);
        driver.outByte(port, value);
        if (offset == 2) {
            dataDriven = (value & DataReverseBit) == 0;
        } else if (dataDriven && !checked) {
            checked = true;
            const std::uint8_t back = driver.inByte(port);
            if (back != value) {
                silence = "no answer: the data register read back " + hexByte(back) + " after " +
                          hexByte(value) + " was written, so nothing at " + hexAddress(base) +
                          " works as a parallel port (check its base in Device Manager, Ports, "
                          "the port's Resources tab)" +
                          others;
                return ENXIO;
            }
        }
        return 0;
    }

    int read(unsigned offset, std::uint8_t& value) override {
        if (offset > 2) {
            return EINVAL;
        }
        value = driver.inByte(static_cast<std::uint16_t>(base + offset));
        return 0;
    }

    std::string route() const override { return name; }

    std::string failure(int error) const override {
        return silence.empty() ? PortChannel::failure(error) : silence;
    }

  private:
    PortDriver& driver;
    std::uint16_t base;
    std::string name;
    std::string others;       // the port's other register blocks, where its base was guessed
    bool dataDriven = false;  // known only once the program wrote the control register
    bool checked = false;
    std::string silence;
};

}  // namespace

PortSetting parseWindowsPortSetting(const char* value, const char* force) {
    PortSetting setting;
    if (value != nullptr && portName(value)) {
        setting.kind = PortSetting::Kind::Device;
        setting.device = upper(value);
    } else {
        setting = parsePortSetting(value);
    }
    const std::string accepted =
        "LPT1, LPT2, ... as Windows names the port, or its base address (0xd010 or 53264)";
    if (setting.kind == PortSetting::Kind::Device && !portName(setting.device)) {
        setting.kind = PortSetting::Kind::Invalid;
        setting.problem =
            settings::badSetting(PortVariable, value, "not a parallel port", accepted);
    } else if (setting.kind == PortSetting::Kind::Invalid) {
        // The shared reading says what is wrong; the forms it accepts are Windows' own here.
        setting.problem = setting.problem.substr(0, setting.problem.find("; accepted: ")) +
                          "; accepted: " + accepted;
    }
    const std::string forcing = force != nullptr ? force : "";
    setting.forceUnlisted = forcing == "1";
    if (!forcing.empty() && forcing != "1" && forcing != "0") {
        refuseOnProblems(setting, {settings::badSetting(ForcePortVariable, forcing, "not 0 or 1",
                                                        "1 (use an address Windows does not "
                                                        "list as a parallel port, at your own "
                                                        "risk) or 0")});
    }
    return setting;
}

DriverPortFinder::DriverPortFinder(PortDriver& driver, PortSetting setting)
    : driver(driver), setting(std::move(setting)) {}

OpenedPort DriverPortFinder::open(std::uint16_t programBase) {
    // Loaded first on every run: the first elevated load installs the library's driver, and an
    // operator who started the program as Administrator from Explorer has set no LPTIO_PORT.
    std::string reason;
    const PortDriver::State state = driver.load(reason);
    if (setting.kind == PortSetting::Kind::Invalid) {
        return {nullptr, setting.problem};
    }
    std::vector<ListedPort> ports;
    std::string listFailure;
    const bool listKnown = listPorts(ports, listFailure);

    ListedPort chosen;
    bool found = false;
    const std::uint16_t target =
        setting.kind == PortSetting::Kind::Address ? setting.base : programBase;
    for (const ListedPort& port : ports) {
        found = setting.kind == PortSetting::Kind::Device
                    ? upper(port.name) == setting.device
                    : port.base == target || otherRegisterBlock(port, target);
        if (found) {
            chosen = port;
            if (setting.kind != PortSetting::Kind::Device && port.base != target) {
                chosen.base = target;  // the operator chose the other block: no ECP block known
                chosen.modeRegister = 0;
                chosen.baseGuessed = false;
            }
            break;
        }
    }
    const std::string heading = unreachableHeading(programBase, setting);
    std::string why, note;
    if (!found) {
        if (!listKnown) {
            why = "Windows' list of parallel ports cannot be read (" + listFailure +
                  "); LPTIO_PORT=<base> with LPTIO_FORCE_PORT=1 uses a port all the same";
        } else if (ports.empty()) {
            why =
                "Windows lists no parallel port (a USB-to-parallel adapter has no I/O ports "
                "and cannot work: use a port on the mainboard or a PCI/PCIe card)";
        } else if (setting.kind == PortSetting::Kind::Device) {
            why = "Windows lists no " + setting.device + ": found " + listed(ports);
        } else {
            why = "no parallel port at " + hexAddress(target) + ": Windows lists " + listed(ports) +
                  " (LPTIO_PORT=" + ports.front().name + " selects " + ports.front().name + ")";
        }
    }
    if (state != PortDriver::State::Ready) {
        return {nullptr,
                heading + driverProblem(state, reason) + (why.empty() ? "" : ". Besides, " + why)};
    }
    if (!found) {
        if (!setting.forceUnlisted || setting.kind == PortSetting::Kind::Device) {
            return {nullptr, heading + why};
        }
        std::string owner;
        if (!forcedPortFree(target, owner)) {
            return {nullptr, heading + hexAddress(target) + " belongs to " + owner +
                                 ": never used, even forced"};
        }
        note = "lptio: LPTIO_FORCE_PORT=1: using " + hexAddress(target) +
               ", which Windows does not list as a parallel port (" +
               (ports.empty() ? "it lists none" : "it lists " + listed(ports)) + ")" + owner;
        chosen.base = target;
    }
    const std::string route = (found ? chosen.name + " at " : "") + hexAddress(chosen.base) +
                              " through " + driver.libraryName();
    std::string others;
    if (chosen.baseGuessed) {
        for (const IoRange& range : chosen.ranges) {
            others += (others.empty() ? "" : ", ") + rangeText(range);
        }
        others = " (" + chosen.name + " has the I/O ranges " + others +
                 "; LPTIO_PORT set to the first address of another one uses that one)";
    }
    return {std::make_unique<DriverChannel>(driver, chosen.base, route, others), note,
            compatibleMode(chosen)};
}

bool DriverPortFinder::listPorts(std::vector<ListedPort>& ports, std::string& failure) {
    std::vector<DeviceResources> devices;
    if (!driver.listDevices(false, devices, failure)) {
        return false;
    }
    bool complete = true;
    for (const DeviceResources& device : devices) {
        const std::string unknown = rangesUnknown(device);
        ListedPort port;
        port.name = device.name;
        if (!unknown.empty()) {
            // A part of a port's ranges could put its base on its ECP block: none is used.
            complete = false;
            failure += (failure.empty() ? "" : "; ") + std::string("the I/O ranges of ") +
                       device.name + " are unknown: " + unknown;
        } else if (device.parallelPort && portBaseAmong(device.ranges, port)) {
            ports.push_back(port);
        }
    }
    return complete;
}

bool DriverPortFinder::forcedPortFree(std::uint16_t base, std::string& owner) {
    const unsigned last = base + PortRegisterCount - 1u;
    if (const char* legacy = legacyDeviceAt(base, last)) {
        owner = legacy;
        return false;
    }
    std::vector<DeviceResources> devices;
    std::string failure;
    if (!driver.listDevices(true, devices, failure)) {
        owner = "; no other device's I/O ranges could be checked (" + failure + ")";
        return true;
    }
    std::string owners, unknown;
    unsigned unknownCount = 0;
    for (const DeviceResources& device : devices) {
        if (device.parallelPort) {
            continue;  // the port being forced may be one whose ranges WMI did not tell
        }
        for (const IoRange& range : device.ranges) {
            if (range.first <= last && base <= range.last) {
                owners +=
                    (owners.empty() ? "" : ", ") + device.name + " (" + rangeText(range) + ")";
            }
        }
        if (!rangesUnknown(device).empty() && ++unknownCount <= 3) {
            unknown += (unknown.empty() ? "" : ", ") + device.name;
        }
    }
    if (unknownCount > 3) {
        unknown += " and " + std::to_string(unknownCount - 3) + " more devices";
    }
    if (!owners.empty()) {
        owner = owners + " in Windows' device lists";
        return false;
    }
    owner = unknown.empty() ? "" : "; the I/O ranges of " + unknown + " are unknown";
    return true;
}

std::string DriverPortFinder::compatibleMode(const ListedPort& port) {
    if (port.modeRegister == 0) {
        return "";
    }
    // In ECP or FIFO mode the data register feeds a FIFO and the lines never change; PS/2 mode
    // drives them directly and still lets the data lines turn round.
    const std::uint8_t mode = driver.inByte(port.modeRegister);
    if ((mode & EcrModeBits) == EcrPs2Mode) {
        return "";
    }
    const auto ps2 = static_cast<std::uint8_t>((mode & ~EcrModeBits) | EcrPs2Mode);
    driver.outByte(port.modeRegister, ps2);
    return port.name + "'s ECP mode register at " + hexAddress(port.modeRegister) + " read " +
           hexByte(mode) + " (mode " + std::to_string(mode >> 5) + "): set to " + hexByte(ps2) +
           ", PS/2 mode, so that the data register drives the lines; the port stays so until "
           "Windows' own driver sets its mode for the next print";
}

std::string DriverPortFinder::driverProblem(PortDriver::State state, const std::string& reason) {
    const std::string library = driver.libraryName();
    const std::string bits = library == "inpout32.dll" ? "32" : "64";
    const std::string blocklist =
        "Windows' vulnerable driver blocklist may refuse it (Windows Security, Device security, "
        "Core isolation details, Microsoft Vulnerable Driver Blocklist)";
    unsigned long options = 0;
    switch (state) {
        case PortDriver::State::LibraryMissing:
            return library + " is neither beside io.dll nor in Windows' system folder: get the " +
                   "freeware InpOut32 package and put its " + library + " (for this " + bits +
                   "-bit io.dll) beside io.dll";
        case PortDriver::State::LibraryUnusable:
            return reason;
        case PortDriver::State::DriverNotOpen:
            if (driver.codeIntegrityOptions(options) && (options & HvciRunning) != 0) {
                return "Windows' Memory Integrity is running and refuses the port driver of " +
                       library +
                       ": turn it off (Windows Security, Device security, Core isolation "
                       "details), restart Windows, then run flashtest.exe once from a Command "
                       "Prompt started as administrator";
            }
            if (driver.elevated()) {
                return "the port driver of " + library +
                       " did not start although this run is elevated: " + blocklist;
            }
            return "the port driver of " + library +
                   " is not running: start a Command Prompt as administrator (right-click "
                   "Command Prompt, Run as administrator), set LPTIO_PORT there when the card "
                   "is not at 0x378, and run flashtest.exe from it; that run installs the "
                   "driver and later runs need no Administrator. If it still does not start, " +
                   blocklist;
        case PortDriver::State::Ready:
            break;
    }
    return "";
}
