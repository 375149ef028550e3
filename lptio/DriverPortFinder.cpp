#include "lptio/DriverPortFinder.h"

#include <cctype>
#include <cerrno>

#include "lptio/PortAddress.h"
#include "settings/EnvironmentSetting.h"

namespace {

constexpr std::uint8_t DataReverseBit = 0x20;  // control register: data lines left to the device

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

// Where a forced port would hit the interrupt, timer, DMA, CMOS or reset registers.
bool systemBoardRegisters(std::uint16_t base) {
    const unsigned last = base + PortRegisterCount - 1u;
    return base < 0x100 || (last >= 0xCF8 && base <= 0xCFF);
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
    DriverChannel(PortDriver& driver, std::uint16_t base, std::string route)
        : driver(driver), base(base), name(std::move(route)) {}

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
                          "the port's Resources tab)";
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
    bool dataDriven = false;  // known only once the program wrote the control register
    bool checked = false;
    std::string silence;
};

}  // namespace

bool portBaseAmong(const std::vector<IoRange>& ranges, std::uint16_t& base) {
    for (unsigned long long shortest : {8u, 3u}) {
        for (const IoRange& range : ranges) {
            const unsigned long long count = range.last - range.first + 1;
            if (range.last >= range.first && count >= shortest && count <= 8 && range.first != 0 &&
                range.last <= 0xFFFF) {
                base = static_cast<std::uint16_t>(range.first);
                return true;
            }
        }
    }
    return false;
}

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
    if (setting.kind == PortSetting::Kind::Invalid) {
        return {nullptr, setting.problem};
    }
    std::vector<ListedPort> ports;
    std::string listFailure;
    const bool listKnown = driver.listPorts(ports, listFailure);

    const ListedPort* chosen = nullptr;
    const std::uint16_t target =
        setting.kind == PortSetting::Kind::Address ? setting.base : programBase;
    for (const ListedPort& port : ports) {
        const bool match = setting.kind == PortSetting::Kind::Device
                               ? upper(port.name) == setting.device
                               : port.base == target;
        if (match && chosen == nullptr) {
            chosen = &port;
        }
    }
    std::string note;
    if (chosen == nullptr) {
        std::string why;
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
        if (!setting.forceUnlisted || setting.kind == PortSetting::Kind::Device) {
            return {nullptr, unreachableHeading(programBase, setting) + why};
        }
        if (systemBoardRegisters(target)) {
            return {nullptr, unreachableHeading(programBase, setting) + hexAddress(target) +
                                 " reaches the system board's own registers (below 0x100, or "
                                 "PCI configuration at 0xcf8-0xcff): never used, even forced"};
        }
        note = "lptio: LPTIO_FORCE_PORT=1: using " + hexAddress(target) +
               ", which Windows does not list as a parallel port (" +
               (ports.empty() ? "it lists none" : "it lists " + listed(ports)) + ")";
    }

    std::string reason;
    const PortDriver::State state = driver.load(reason);
    if (state != PortDriver::State::Ready) {
        return {nullptr, unreachableHeading(programBase, setting) + driverProblem(state, reason)};
    }
    const std::uint16_t base = chosen != nullptr ? chosen->base : target;
    const std::string route = (chosen != nullptr ? chosen->name + " at " : "") + hexAddress(base) +
                              " through " + driver.libraryName();
    return {std::make_unique<DriverChannel>(driver, base, route), note};
}

std::string DriverPortFinder::driverProblem(PortDriver::State state, const std::string& reason) {
    const std::string library = driver.libraryName();
    const std::string bits = library == "inpout32.dll" ? "32" : "64";
    switch (state) {
        case PortDriver::State::LibraryMissing:
            return library + " is neither beside io.dll nor on the DLL path: get the freeware " +
                   "InpOut32 package and put its " + library + " (for this " + bits +
                   "-bit io.dll) beside io.dll";
        case PortDriver::State::LibraryUnusable:
            return reason;
        case PortDriver::State::DriverNotOpen:
            if (driver.memoryIntegrityOn()) {
                return "Windows' Memory Integrity is on and refuses the port driver of " + library +
                       ": turn it off (Windows Security, Device security, Core isolation "
                       "details), restart Windows, then start flashtest.exe once as "
                       "Administrator";
            }
            return "the port driver of " + library +
                   " is not running: start flashtest.exe once as Administrator (right-click, "
                   "Run as administrator) to install it; later runs need no Administrator";
        case PortDriver::State::Ready:
            break;
    }
    return "";
}
