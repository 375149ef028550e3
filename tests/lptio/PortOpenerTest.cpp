#include "lptio/PortOpener.h"

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

    Machine& lptioPort(const char* value) { return setting = value, *this; }
    Machine& nodesOfMajor(int major) { return deviceMajor = major, *this; }
    Machine& openFails(int error) { return openError = error, *this; }
    Machine& claimFails(int error) { return claimError = error, *this; }
    Machine& withoutPpdev() { return ppdevLoaded = false, *this; }
    Machine& directIoFails(int error) { return grantError = error, *this; }
    Machine& kernelPorts(KernelPorts list) { return ports = std::move(list), *this; }
};

// What the opener must make of the program's port at 0x378 on that machine.
struct OpenCase {
    const char* name;
    Machine machine;
    const char* route;    // of the channel; "none" when the port cannot be reached
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
    system.devices["/dev/ttyS0"] = {4};
    system.grantError = machine.grantError;

    PortOpener opener(system, ParportTree(tree.root()), parsePortSetting(machine.setting));
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
    // Raw I/O is tried only where the outcome speaks of it.
    EXPECT_EQ(count("grant") > 0, (route + opened.message).find("direct I/O") != std::string::npos);
    // A device that opened and is not the channel is closed again.
    EXPECT_EQ(count("close"),
              opened.channel == nullptr && machine.openError == 0 ? count("open") : 0);
}

const KernelPorts CardAtD010 = {{"parport0", "888\n"}, {"parport1", "53264\t53256\n"}};
const KernelPorts SecondAt378 = {{"parport0", "956\n"}, {"parport1", "888\t1912\n"}};
const KernelPorts NoneAt378 = {{"parport0", "956\n"}, {"parport1", "53264\n"}};

INSTANTIATE_TEST_SUITE_P(
    Machines, PortOpenerTest,
    testing::Values(
        OpenCase{"MatchingBase", Machine().kernelPorts(SecondAt378), "/dev/parport1", ""},
        OpenCase{"ChosenDevice", Machine().lptioPort("parport1").kernelPorts(CardAtD010),
                 "/dev/parport1", ""},
        OpenCase{"ChosenBase", Machine().lptioPort("0xd010").kernelPorts(CardAtD010),
                 "/dev/parport1", ""},
        OpenCase{"ChosenBaseWithoutKernelPort", Machine().lptioPort("0xd010"),
                 "direct I/O at 0xd010", "no parallel port at 0xd010: found parport0 at 0x378"},
        OpenCase{"NoKernelPortIsDirectSilently", Machine().kernelPorts({}), "direct I/O at 0x378",
                 ""},
        OpenCase{"NoPpdevIsDirect", Machine().nodesOfMajor(-1).withoutPpdev(),
                 "direct I/O at 0x378", "ppdev not loaded"},
        OpenCase{"PermissionDenied", Machine().openFails(EACCES), "none",
                 "permission denied on /dev/parport0: add yourself to group lp"},
        OpenCase{"PpdevMissing", Machine().nodesOfMajor(-1).withoutPpdev().directIoFails(EPERM),
                 "none",
                 "ppdev not loaded (no /dev/parport0): modprobe ppdev; direct I/O at 0x378 needs "
                 "root (CAP_SYS_RAWIO)"},
        OpenCase{"NodeMissingWithPpdev", Machine().nodesOfMajor(-1).directIoFails(ENOSYS), "none",
                 "/dev/parport0 does not exist although ppdev is loaded: check udev (sudo udevadm "
                 "trigger); direct I/O at 0x378 is not offered by this kernel"},
        OpenCase{"NoPortBehindTheNode", Machine().openFails(ENXIO).directIoFails(EOPNOTSUPP),
                 "none", "no port behind /dev/parport0"},
        OpenCase{"NodeOfAnotherDevice", Machine().nodesOfMajor(4), "none",
                 "/dev/parport0 is not a parallel port device"},
        OpenCase{"ClaimRefusedAsNotParport", Machine().claimFails(ENOTTY), "none",
                 "/dev/parport0 is not a parallel port device"},
        OpenCase{"ClaimFails", Machine().claimFails(EINTR).directIoFails(EPERM), "none",
                 "cannot claim /dev/parport0: Interrupted system call"},
        OpenCase{"ChosenDeviceIsATerminal", Machine().lptioPort("/dev/ttyS0"), "none",
                 "cannot reach the port at 0x378 (LPTIO_PORT=/dev/ttyS0), reads give 0xFF: "
                 "/dev/ttyS0 is not a parallel port"},
        OpenCase{"ChosenDeviceMissing", Machine().lptioPort("/dev/parport7"), "none",
                 "/dev/parport7 does not exist although ppdev is loaded"},
        OpenCase{"ChosenDeviceWithoutPpdev", Machine().lptioPort("parport7").withoutPpdev(), "none",
                 "ppdev not loaded (no /dev/parport7): modprobe ppdev"},
        OpenCase{"NoKernelPortThere", Machine().lptioPort("0x278").directIoFails(EPERM), "none",
                 "cannot reach the port at 0x378 (LPTIO_PORT=0x278), reads give 0xFF: no parallel "
                 "port at 0x278: found parport0 at 0x378 (LPTIO_PORT=/dev/parport0 selects "
                 "parport0); direct I/O at 0x278 needs root"},
        OpenCase{"KernelPortsElsewhereAreListed",
                 Machine().kernelPorts(NoneAt378).directIoFails(EPERM), "none",
                 "no parallel port at 0x378: found parport0 at 0x3bc, parport1 at 0xd010"},
        OpenCase{"NoKernelPortAtAll", Machine().kernelPorts({}).directIoFails(EPERM), "none",
                 "no parallel port at 0x378: the kernel knows none (modprobe parport_pc ppdev); "
                 "direct I/O at 0x378 needs root"},
        OpenCase{"BadSetting", Machine().lptioPort("lpt1"), "none",
                 "lptio: LPTIO_PORT=\"lpt1\": not a parallel port"}),
    [](const testing::TestParamInfo<OpenCase>& info) { return std::string(info.param.name); });

}  // namespace
