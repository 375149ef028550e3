#include "lptio/PortOpener.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "FakeParportTree.h"
#include "FakePortSystem.h"

namespace {

using testing::HasSubstr;

using KernelPorts = std::vector<std::pair<std::string, std::string>>;  // name, base-addr

// A machine as the opener finds it, and what it must make of the program's port at 0x378.
struct OpenCase {
    const char* name;
    const char* setting;
    int deviceMajor;  // of every kernel port's /dev node; -1: no nodes
    int openError;
    int claimError;
    bool ppdevLoaded;
    int grantError;
    bool triesDirect;
    const char* route;    // of the channel; "none" when the port cannot be reached
    const char* message;  // as the user reads it; "" when nothing is said
    KernelPorts ports = {{"parport0", "888\n"}};
    const char* directIo = "1";
    const char* holder = "none";  // of parport0
};

class PortOpenerTest : public testing::TestWithParam<OpenCase> {};

TEST_P(PortOpenerTest, FindsThePortOrSaysWhyWithTheFix) {
    const OpenCase& machine = GetParam();
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
        "0000-0cf7 : PCI Bus 0000:00\n  0378-037a : parport0\n0cf8-0cff : PCI conf1\n");

    PortOpener opener(system, ParportTree(tree.root()),
                      parsePortSetting(machine.setting, machine.directIo));
    const OpenedPort opened = opener.open(0x378);

    EXPECT_EQ(opened.channel != nullptr ? opened.channel->route() : "none", machine.route);
    EXPECT_EQ(opened.message.rfind("lptio: ", 0) == 0, *machine.message != '\0') << opened.message;
    EXPECT_THAT(opened.message, HasSubstr(machine.message));
    const auto count = [&system](const std::string& start) {
        return std::count_if(
            system.calls.begin(), system.calls.end(),
            [&start](const std::string& call) { return call.rfind(start, 0) == 0; });
    };
    EXPECT_EQ(count("grant") > 0, machine.triesDirect);
    // A device that opened and is not the channel is closed again.
    EXPECT_EQ(count("close"),
              opened.channel == nullptr && machine.openError == 0 ? count("open") : 0);
}

const KernelPorts CardAtD010 = {{"parport0", "888\n"}, {"parport1", "53264\t53256\n"}};
const KernelPorts SecondAt378 = {{"parport0", "956\n"}, {"parport1", "888\t1912\n"}};
const KernelPorts NoneAt378 = {{"parport0", "956\n"}, {"parport1", "53264\n"}};
const KernelPorts NoPorts = {};
const KernelPorts At378 = {{"parport0", "888\n"}};

INSTANTIATE_TEST_SUITE_P(
    Machines, PortOpenerTest,
    testing::Values(
        OpenCase{"MatchingBase", nullptr, 99, 0, 0, true, 0, false, "/dev/parport1", "",
                 SecondAt378},
        OpenCase{"ChosenDevice", "parport1", 99, 0, 0, true, 0, false, "/dev/parport1", "",
                 CardAtD010},
        OpenCase{"ChosenBase", "0xd010", 99, 0, 0, true, 0, false, "/dev/parport1", "", CardAtD010},
        OpenCase{"ChosenBaseWithoutKernelPort", "0xd010", 99, 0, 0, true, 0, true,
                 "direct I/O at 0xd010", "no parallel port at 0xd010: found parport0 at 0x378"},
        OpenCase{"NoKernelPortIsDirectSilently", nullptr, 99, 0, 0, true, 0, true,
                 "direct I/O at 0x378", "", NoPorts},
        OpenCase{"NoPpdevIsDirect", nullptr, -1, 0, 0, false, 0, true, "direct I/O at 0x378",
                 "ppdev not loaded"},
        OpenCase{"PermissionDenied", nullptr, 99, EACCES, 0, true, 0, false, "none",
                 "permission denied on /dev/parport0: add yourself to group lp"},
        OpenCase{"PpdevMissing", nullptr, -1, 0, 0, false, EPERM, true, "none",
                 "ppdev not loaded (no /dev/parport0): modprobe ppdev; direct I/O at 0x378 needs "
                 "root (CAP_SYS_RAWIO)"},
        OpenCase{"NodeMissingWithPpdev", nullptr, -1, 0, 0, true, ENOSYS, true, "none",
                 "/dev/parport0 does not exist although ppdev is loaded: check udev (sudo udevadm "
                 "trigger); direct I/O at 0x378 is not offered by this kernel"},
        OpenCase{"NoPortBehindTheNode", nullptr, 99, ENXIO, 0, true, EOPNOTSUPP, true, "none",
                 "no port behind /dev/parport0"},
        OpenCase{"NodeOfAnotherDevice", nullptr, 4, 0, 0, true, 0, false, "none",
                 "/dev/parport0 is not a parallel port device"},
        OpenCase{"ClaimRefusedAsNotParport", nullptr, 99, 0, ENOTTY, true, 0, false, "none",
                 "/dev/parport0 is not a parallel port device"},
        OpenCase{"ClaimFails", nullptr, 99, 0, EINTR, true, EPERM, false, "none",
                 "cannot claim /dev/parport0: Interrupted system call"},
        OpenCase{"PortHeldByAnotherProgram", nullptr, 99, 0, EBUSY, true, 0, false, "none",
                 "port in use by another program (/dev/parport0 stayed claimed for 2 s); that is "
                 "no reason for direct I/O: run again once it is done"},
        OpenCase{"PortHeldExclusively", nullptr, 99, 0, ENXIO, true, 0, false, "none",
                 "port in use by another program, which holds /dev/parport0 for exclusive access; "
                 "that is no reason for direct I/O"},
        OpenCase{"StaleNodeWithoutPpdev", nullptr, 99, ENXIO, 0, false, EPERM, true, "none",
                 "ppdev not loaded (/dev/parport0 is a stale node): modprobe ppdev; direct I/O"},
        OpenCase{"DirectIoOnlyWhenAskedFor", nullptr, -1, 0, 0, false, 0, false, "none",
                 "ppdev not loaded (no /dev/parport0): modprobe ppdev; direct I/O is off "
                 "(LPTIO_DIRECT_IO=1 turns it on, as root)",
                 At378, "0"},
        OpenCase{
            "DirectIoNeverBehindTheKernelPortsHolder", nullptr, -1, 0, 0, false, 0, false, "none",
            "; direct I/O at 0x378 refused: port in use by another program (lp0 holds parport0)",
            At378, "1", "lp0"},
        OpenCase{"DirectIoNeverOnAnotherDriversPorts", "0xcf8", 99, 0, 0, true, 0, false, "none",
                 "; direct I/O at 0xcf8 refused: /proc/ioports gives 0cf8-0cff to PCI conf1"},
        OpenCase{"ChosenDeviceIsATerminal", "/dev/ttyS0", 99, 0, 0, true, 0, false, "none",
                 "cannot reach the port at 0x378 (LPTIO_PORT=/dev/ttyS0), reads give 0xFF: "
                 "/dev/ttyS0 is not a parallel port"},
        OpenCase{"ChosenDeviceMissing", "/dev/parport7", 99, 0, 0, true, 0, false, "none",
                 "/dev/parport7 does not exist although ppdev is loaded"},
        OpenCase{"ChosenDeviceWithoutPpdev", "parport7", 99, 0, 0, false, 0, false, "none",
                 "ppdev not loaded (no /dev/parport7): modprobe ppdev"},
        OpenCase{"NoKernelPortThere", "0x278", 99, 0, 0, true, EPERM, true, "none",
                 "cannot reach the port at 0x378 (LPTIO_PORT=0x278), reads give 0xFF: no parallel "
                 "port at 0x278: found parport0 at 0x378 (LPTIO_PORT=/dev/parport0 selects "
                 "parport0); direct I/O at 0x278 needs root"},
        OpenCase{"KernelPortsElsewhereAreListed", nullptr, 99, 0, 0, true, EPERM, true, "none",
                 "no parallel port at 0x378: found parport0 at 0x3bc, parport1 at 0xd010",
                 NoneAt378},
        OpenCase{"NoKernelPortAtAll", nullptr, 99, 0, 0, true, EPERM, true, "none",
                 "no parallel port at 0x378: the kernel knows none (modprobe parport_pc ppdev); "
                 "direct I/O at 0x378 needs root",
                 NoPorts},
        OpenCase{"BadSetting", "lpt1", 99, 0, 0, true, 0, false, "none",
                 "lptio: LPTIO_PORT=\"lpt1\": not a parallel port"}),
    [](const testing::TestParamInfo<OpenCase>& info) { return info.param.name; });

}  // namespace
