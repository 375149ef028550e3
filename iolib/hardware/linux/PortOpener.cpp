// SPDX-License-Identifier: MIT
#include "hardware/linux/PortOpener.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "hardware/PortAddress.h"
#include "hardware/linux/DirectChannel.h"
#include "hardware/linux/PpdevChannel.h"
#include "os/SystemErrorText.h"

namespace {

constexpr unsigned PpdevMajor = 99;

std::string notParallelPort(const std::string& path) {
    return path + " is not a parallel port device (ppdev, character major 99)";
}

std::string noPortBehind(const std::string& path, int error) {
    return "no port behind " + path + " (" + os::systemErrorText(error) + ")";
}

// ppdev serves only ports that a port driver has found: without one, both are needed.
std::string loadPpdev(bool kernelPort) {
    return kernelPort ? "modprobe ppdev" : "modprobe parport_pc ppdev";
}

std::string listed(const std::vector<KernelPort>& ports) {
    std::string text;
    for (const KernelPort& port : ports) {
        text += (text.empty() ? "" : ", ") + port.name + " at " + hexAddress(port.base);
    }
    return text;
}

}  // namespace

PortOpener::PortOpener(PortSystem& system, ParportTree tree, PortSetting setting)
    : system(system), tree(std::move(tree)), setting(std::move(setting)) {}

OpenedPort PortOpener::open(std::uint16_t programBase) {
    switch (setting.kind) {
        case PortSetting::Kind::Invalid:
            return {nullptr, setting.problem};
        case PortSetting::Kind::Device: {
            // A device the user chose is used or reported, never swapped for raw I/O elsewhere.
            Attempt attempt = openDevice(setting.device);
            if (attempt.channel == nullptr) {
                return {nullptr, unreachableHeading(programBase, setting) + attempt.reason};
            }
            return {std::move(attempt.channel), ""};
        }
        case PortSetting::Kind::Address:
            return openAt(programBase, setting.base);
        case PortSetting::Kind::Unset:
            break;
    }
    return openAt(programBase, programBase);
}

OpenedPort PortOpener::openAt(std::uint16_t programBase, std::uint16_t target) {
    const std::vector<KernelPort> ports = tree.ports();
    std::string ppdevReason;
    for (const KernelPort& port : ports) {
        if (port.base != target) {
            continue;
        }
        Attempt attempt = openDevice(port.devicePath());
        if (attempt.channel != nullptr) {
            return {std::move(attempt.channel), ""};
        }
        if (!attempt.worthFallingBack) {
            return {nullptr, unreachableHeading(programBase, setting) + attempt.reason};
        }
        ppdevReason = attempt.reason;
        break;
    }
    if (ppdevReason.empty()) {
        ppdevReason = "no parallel port at " + hexAddress(target) + ": ";
        ppdevReason += ports.empty()
                           ? "the kernel knows none (modprobe parport_pc ppdev)"
                           : "found " + listed(ports) + " (LPTIO_PORT=/dev/" + ports.front().name +
                                 " selects " + ports.front().name + ")";
    }
    Attempt direct = openDirect(target, ports);
    if (direct.channel == nullptr) {
        return {nullptr,
                unreachableHeading(programBase, setting) + ppdevReason + "; " + direct.reason};
    }
    // Raw I/O works, but the kernel's view suggests it may not be the port the user meant.
    std::string note;
    if (!ports.empty()) {
        note = "lptio: " + ppdevReason + "; using " + direct.channel->route();
    }
    return {std::move(direct.channel), note};
}

PortOpener::Attempt PortOpener::openDevice(const std::string& path) {
    unsigned major = 0;
    int error = system.deviceMajor(path, major);
    if (error == ENOENT) {
        if (!tree.ppdevLoaded()) {
            return {nullptr,
                    "ppdev not loaded (no " + path + "): " + loadPpdev(servesKernelPort(path)),
                    true};
        }
        return {
            nullptr,
            path + " does not exist although ppdev is loaded: check udev (sudo udevadm trigger)",
            true};
    }
    if (error == 0 && major != PpdevMajor) {
        return {nullptr, notParallelPort(path), false};
    }
    int handle = -1;
    if (error == 0) {
        error = system.openDevice(path, handle);
    }
    if (error == EACCES || error == EPERM) {
        return {nullptr,
                "permission denied on " + path +
                    ": add yourself to group lp (sudo usermod -aG lp $USER) and log in again",
                false};
    }
    if ((error == ENXIO || error == ENODEV) && !tree.ppdevLoaded()) {
        return {
            nullptr,
            "ppdev not loaded (" + path + " is a stale node): " + loadPpdev(servesKernelPort(path)),
            true};
    }
    if (error == ENXIO || error == ENODEV) {
        return {nullptr, noPortBehind(path, error), true};
    }
    if (error != 0) {
        return {nullptr, "cannot open " + path + ": " + os::systemErrorText(error), true};
    }
    // ppdev refuses every register call until the port is claimed.
    std::uint8_t unused = 0;
    error = system.deviceCall(handle, DeviceCall::Claim, unused);
    if (error != 0) {
        system.closeDevice(handle);
        // The port exists and ppdev serves it: going round ppdev would pull the lines from
        // under whoever holds them.
        const std::string notDirect =
            "; that is no reason for direct I/O: run again once it is done";
        switch (error) {
            case ENOTTY:
                return {nullptr, notParallelPort(path), false};
            case EBUSY:
                return {nullptr,
                        "port in use by another program (" + path + " stayed claimed for " +
                            std::to_string(ClaimWaitSeconds) + " s)" + notDirect,
                        false};
            case ENXIO:
                // Also what ppdev answers once the port itself is gone.
                if (!servesKernelPort(path)) {
                    return {nullptr, noPortBehind(path, error), true};
                }
                return {nullptr,
                        "port in use by another program, which holds " + path +
                            " for exclusive access" + notDirect,
                        false};
            default:
                return {nullptr, "cannot claim " + path + ": " + os::systemErrorText(error), false};
        }
    }
    return {std::make_unique<PpdevChannel>(system, handle, path), "", false};
}

PortOpener::Attempt PortOpener::openDirect(std::uint16_t base,
                                           const std::vector<KernelPort>& ports) {
    const std::string where = "direct I/O at " + hexAddress(base);
    if (!setting.directIo) {
        return {nullptr, "direct I/O is off (LPTIO_DIRECT_IO=1 turns it on, as root)", false};
    }
    // Writes to another device's registers can reset the machine, hold a drive in reset or
    // corrupt its clock: only what is known to be a parallel port is touched.
    std::string unknown;
    if (!tree.knownParallelPort(base, PortRegisterCount, unknown)) {
        return {nullptr, where + " refused: " + unknown, false};
    }
    // Without ppdev there is no claim to wait for, but the kernel still tells who has the port.
    for (const KernelPort& port : ports) {
        if (port.base == base && !port.holder.empty()) {
            return {nullptr,
                    where + " refused: port in use by another program (" + port.holder + " holds " +
                        port.name + ")",
                    false};
        }
    }
    // A known base can still be another driver's on this machine.
    std::string owner;
    if (!tree.ioRangeFree(base, PortRegisterCount, owner)) {
        return {nullptr, where + " refused: " + owner, false};
    }
    const int error = system.grantPorts(base, PortRegisterCount);
    switch (error) {
        case 0:
            return {std::make_unique<DirectChannel>(system, base), "", false};
        case EPERM:
            return {nullptr, where + " needs root (CAP_SYS_RAWIO)", false};
        case ENOSYS:
            return {nullptr,
                    where +
                        " is not offered by this kernel (built without "
                        "CONFIG_X86_IOPL_IOPERM)",
                    false};
        case EOPNOTSUPP:
            return {nullptr, where + " exists only on x86", false};
        default:
            return {nullptr, where + " refused: " + os::systemErrorText(error), false};
    }
}

bool PortOpener::servesKernelPort(const std::string& path) const {
    const std::vector<KernelPort> ports = tree.ports();
    return std::any_of(ports.begin(), ports.end(),
                       [&path](const KernelPort& port) { return port.devicePath() == path; });
}
