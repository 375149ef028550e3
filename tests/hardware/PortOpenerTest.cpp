// SPDX-License-Identifier: MIT
#include "hardware/linux/PortOpener.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "FakeParportTree.h"
#include "FakePortSystem.h"

namespace {

using testing::HasSubstr;

using KernelPorts = std::vector<std::pair<std::string, std::string>>;  // name, base-addr

// A machine as the opener finds it: by default parport0 at 0x378, served by ppdev.
struct Machine {
    const char* setting = nullptr;  // LPTIO_PORT
    int deviceMajor = 99;           // of every kernel port's /dev node; -1: no nodes
    int openError = 0;
    int claimError = 0;
    bool ppdevLoaded = true;
    int grantError = 0;
    KernelPorts ports = {{"parport0", "888\n"}};
    const char* directIo = "1";   // LPTIO_DIRECT_IO
    const char* holder = "none";  // of parport0

    Machine& lptioPort(const char* value) { return setting = value, *this; }
    Machine& nodesOfMajor(int major) { return deviceMajor = major, *this; }
    Machine& openFails(int error) { return openError = error, *this; }
    Machine& claimFails(int error) { return claimError = error, *this; }
    Machine& withoutPpdev() { return ppdevLoaded = false, *this; }
    Machine& directIoFails(int error) { return grantError = error, *this; }
    Machine& kernelPorts(KernelPorts list) { return ports = std::move(list), *this; }
    Machine& directIoSetting(const char* value) { return directIo = value, *this; }
    Machine& heldBy(const char* name) { return holder = name, *this; }
};

enum class Direct { NotTried, Tried };

// What the opener must make of the program's port at 0x378 on that machine.
struct OpenCase {
    const char* name;
    Machine machine;
    const char* route;    // of the channel; "none" when the port cannot be reached
    Direct direct;        // whether raw I/O was asked for
    const char* message;  // as the user reads it; "" when nothing is said
};

class PortOpenerTest : public testing::TestWithParam<OpenCase> {};

TEST_P(PortOpenerTest, FindsThePortOrSaysWhyWithTheFix) {
    const Machine& machine = GetParam().machine;
    FakeParportTree tree;
    FakePortSystem system;
    tree.listCharacterDevices(machine.ppdevLoaded);
    for (const auto& [name, baseAddr] : machine.ports) {
        tree.addPort(name, baseAddr);
        if (machine.deviceMajor >= 0) {
            system.devices["/dev/" + name] = {static_cast<unsigned>(machine.deviceMajor),
                                              machine.openError, machine.claimError};
        }
    }
    tree.holdPort("parport0", machine.holder);
    system.devices["/dev/ttyS0"] = {4};
    system.grantError = machine.grantError;
    tree.listIoPorts(
        "0000-0cf7 : PCI Bus 0000:00\n  0378-037a : parport0\n  03bc-03bf : vga+\n"
        "0cf8-0cff : PCI conf1\n");
    tree.addPciDevice("0000:05:00.0", "0x070102", "0xd010 0xd017 0x40101\n");

    PortOpener opener(system, ParportTree(tree.root()),
                      parsePortSetting(machine.setting, machine.directIo));
    const OpenedPort opened = opener.open(0x378);

    const std::string route = opened.channel != nullptr ? opened.channel->route() : "none";
    EXPECT_EQ(route, GetParam().route);
    EXPECT_EQ(opened.message.rfind("lptio: ", 0) == 0, *GetParam().message != '\0')
        << opened.message;
    EXPECT_THAT(opened.message, HasSubstr(GetParam().message));
    const auto count = [&system](const std::string& start) {
        return std::count_if(
            system.calls.begin(), system.calls.end(),
            [&start](const std::string& call) { return call.rfind(start, 0) == 0; });
    };
    EXPECT_EQ(count("grant") > 0, GetParam().direct == Direct::Tried);
    // A device that opened and is not the channel is closed again.
    EXPECT_EQ(count("close"),
              opened.channel == nullptr && machine.openError == 0 ? count("open") : 0);
}

const KernelPorts CardAtD010 = {{"parport0", "888\n"}, {"parport1", "53264\t53256\n"}};
const KernelPorts SecondAt378 = {{"parport0", "956\n"}, {"parport1", "888\t1912\n"}};
const KernelPorts NoneAt378 = {{"parport0", "956\n"}, {"parport1", "53264\n"}};

constexpr Direct Tried = Direct::Tried;
constexpr Direct NotTried = Direct::NotTried;

INSTANTIATE_TEST_SUITE_P(
    Machines, PortOpenerTest,
    testing::Values(
        OpenCase{"MatchingBase", Machine().kernelPorts(SecondAt378), "/dev/parport1", NotTried, ""},
        OpenCase{"ChosenDevice", Machine().lptioPort("parport1").kernelPorts(CardAtD010),
                 "/dev/parport1", NotTried, ""},
        OpenCase{"ChosenBase", Machine().lptioPort("0xd010").kernelPorts(CardAtD010),
                 "/dev/parport1", NotTried, ""},
        OpenCase{"ChosenBaseWithoutKernelPort", Machine().lptioPort("0xd010"),
                 "direct I/O at 0xd010", Tried,
                 "no parallel port at 0xd010: found parport0 at 0x378"},
        OpenCase{"NoKernelPortIsDirectSilently", Machine().kernelPorts({}), "direct I/O at 0x378",
                 Tried, ""},
        OpenCase{"NoPpdevIsDirect", Machine().nodesOfMajor(-1).withoutPpdev(),
                 "direct I/O at 0x378", Tried, "ppdev not loaded"},
        OpenCase{"PermissionDenied", Machine().openFails(EACCES), "none", NotTried,
                 "permission denied on /dev/parport0: add yourself to group lp"},
        OpenCase{"PpdevMissing", Machine().nodesOfMajor(-1).withoutPpdev().directIoFails(EPERM),
                 "none", Tried,
                 "ppdev not loaded (no /dev/parport0): modprobe ppdev; direct I/O at 0x378 needs "
                 "root (CAP_SYS_RAWIO)"},
        OpenCase{"NodeMissingWithPpdev", Machine().nodesOfMajor(-1).directIoFails(ENOSYS), "none",
                 Tried,
                 "/dev/parport0 does not exist although ppdev is loaded: check udev (sudo udevadm "
                 "trigger); direct I/O at 0x378 is not offered by this kernel"},
        OpenCase{"NoPortBehindTheNode", Machine().openFails(ENXIO).directIoFails(EOPNOTSUPP),
                 "none", Tried, "no port behind /dev/parport0"},
        OpenCase{"NodeOfAnotherDevice", Machine().nodesOfMajor(4), "none", NotTried,
                 "/dev/parport0 is not a parallel port device"},
        OpenCase{"ClaimRefusedAsNotParport", Machine().claimFails(ENOTTY), "none", NotTried,
                 "/dev/parport0 is not a parallel port device"},
        OpenCase{"ClaimFails", Machine().claimFails(EINTR).directIoFails(EPERM), "none", NotTried,
                 "cannot claim /dev/parport0: Interrupted system call"},
        OpenCase{"PortHeldByAnotherProgram", Machine().claimFails(EBUSY), "none", NotTried,
                 "port in use by another program (/dev/parport0 stayed claimed for 2 s); that is "
                 "no reason for direct I/O: run again once it is done"},
        OpenCase{"PortHeldExclusively", Machine().claimFails(ENXIO), "none", NotTried,
                 "port in use by another program, which holds /dev/parport0 for exclusive access; "
                 "that is no reason for direct I/O"},
        OpenCase{"StaleNodeWithoutPpdev",
                 Machine().openFails(ENXIO).withoutPpdev().directIoFails(EPERM), "none", Tried,
                 "ppdev not loaded (/dev/parport0 is a stale node): modprobe ppdev; direct I/O"},
        OpenCase{"DirectIoOnlyWhenAskedFor",
                 Machine().nodesOfMajor(-1).withoutPpdev().directIoSetting("0"), "none", NotTried,
                 "ppdev not loaded (no /dev/parport0): modprobe ppdev; direct I/O is off "
                 "(LPTIO_DIRECT_IO=1 turns it on, as root)"},
        OpenCase{"DirectIoNeverBehindTheKernelPortsHolder",
                 Machine().nodesOfMajor(-1).withoutPpdev().heldBy("lp0"), "none", NotTried,
                 "; direct I/O at 0x378 refused: port in use by another program (lp0 holds "
                 "parport0)"},
        OpenCase{"DirectIoNeverOnAnotherDriversPorts", Machine().lptioPort("0x3bc"), "none",
                 NotTried, "; direct I/O at 0x3bc refused: /proc/ioports gives 03bc-03bf to vga+"},
        OpenCase{"DirectIoOnlyWhereAPortIsKnown", Machine().lptioPort("0x3f0"), "none", NotTried,
                 "; direct I/O at 0x3f0 refused: not known to be a parallel port; known: the "
                 "legacy bases 0x378, 0x278, 0x3bc, 0xd010-0xd017 (PCI 0000:05:00.0)"},
        OpenCase{"ChosenDeviceIsATerminal", Machine().lptioPort("/dev/ttyS0"), "none", NotTried,
                 "cannot reach the port at 0x378 (LPTIO_PORT=/dev/ttyS0), reads give 0xFF: "
                 "/dev/ttyS0 is not a parallel port"},
        OpenCase{"ChosenDeviceMissing", Machine().lptioPort("/dev/parport7"), "none", NotTried,
                 "/dev/parport7 does not exist although ppdev is loaded"},
        OpenCase{"ChosenDeviceWithoutPpdev", Machine().lptioPort("parport7").withoutPpdev(), "none",
                 NotTried, "ppdev not loaded (no /dev/parport7): modprobe parport_pc ppdev"},
        OpenCase{"NoKernelPortThere", Machine().lptioPort("0x278").directIoFails(EPERM), "none",
                 Tried,
                 "cannot reach the port at 0x378 (LPTIO_PORT=0x278), reads give 0xFF: no parallel "
                 "port at 0x278: found parport0 at 0x378 (LPTIO_PORT=/dev/parport0 selects "
                 "parport0); direct I/O at 0x278 needs root"},
        OpenCase{"KernelPortsElsewhereAreListed",
                 Machine().kernelPorts(NoneAt378).directIoFails(EPERM), "none", Tried,
                 "no parallel port at 0x378: found parport0 at 0x3bc, parport1 at 0xd010"},
        OpenCase{"NoKernelPortAtAll", Machine().kernelPorts({}).directIoFails(EPERM), "none", Tried,
                 "no parallel port at 0x378: the kernel knows none (modprobe parport_pc ppdev); "
                 "direct I/O at 0x378 needs root"},
        OpenCase{"BadSetting", Machine().lptioPort("LPT0"), "none", NotTried,
                 "lptio: LPTIO_PORT=\"LPT0\": ports count from LPT1"}),
    [](const testing::TestParamInfo<OpenCase>& info) { return std::string(info.param.name); });

}  // namespace
