#include "lptio/PortOpener.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "FakeParportTree.h"
#include "FakePortSystem.h"

namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::Not;
using testing::StartsWith;

class PortOpenerTest : public testing::Test {
  protected:
    OpenedPort open(const char* setting = nullptr, std::uint16_t programBase = 0x378) {
        PortOpener opener(system, ParportTree(tree.root()), parsePortSetting(setting));
        return opener.open(programBase);
    }

    // A kernel port with its ppdev node, as on a machine with parport_pc and ppdev loaded.
    void addServedPort(const std::string& name, const std::string& baseAddr) {
        tree.addPort(name, baseAddr);
        system.devices["/dev/" + name] = {};
    }

    FakeParportTree tree;
    FakePortSystem system;
};

TEST_F(PortOpenerTest, PicksThePpdevDeviceWhoseBaseMatchesAndClaimsIt) {
    tree.listCharacterDevices(true);
    addServedPort("parport0", "956\n");
    addServedPort("parport1", "888\t1912\n");

    const OpenedPort opened = open();

    ASSERT_NE(opened.channel, nullptr);
    EXPECT_EQ(opened.channel->route(), "/dev/parport1");
    EXPECT_THAT(opened.message, IsEmpty());
    EXPECT_THAT(system.calls, ElementsAre("stat /dev/parport1", "open /dev/parport1", "Claim"));
}

TEST_F(PortOpenerTest, LptioPortNamesTheDeviceForTheProgramsPort) {
    addServedPort("parport0", "888\n");
    addServedPort("parport1", "53264\n");

    for (const char* setting : {"/dev/parport1", "parport1"}) {
        system.calls.clear();
        const OpenedPort opened = open(setting);
        ASSERT_NE(opened.channel, nullptr) << setting;
        EXPECT_EQ(opened.channel->route(), "/dev/parport1");
        EXPECT_THAT(system.calls, ElementsAre("stat /dev/parport1", "open /dev/parport1", "Claim"));
    }
}

TEST_F(PortOpenerTest, LptioPortBaseAddressFindsTheKernelsPortThere) {
    addServedPort("parport0", "888\n");
    addServedPort("parport1", "53264\t53256\n");

    const OpenedPort opened = open("0xd010");

    ASSERT_NE(opened.channel, nullptr);
    EXPECT_EQ(opened.channel->route(), "/dev/parport1");
}

TEST_F(PortOpenerTest, AnAddressNoKernelPortServesIsReachedDirectly) {
    addServedPort("parport0", "888\n");

    const OpenedPort opened = open("0xd010");

    ASSERT_NE(opened.channel, nullptr);
    EXPECT_EQ(opened.channel->route(), "direct I/O at 0xd010");
    EXPECT_THAT(system.calls, ElementsAre("grant 0xD010 3"));
    // Possibly not the port the user meant: said, but the port is used.
    EXPECT_THAT(opened.message, HasSubstr("no parallel port at 0xd010: found parport0 at 0x378"));
}

TEST_F(PortOpenerTest, WithoutAnyKernelPortDirectAccessIsUsedSilently) {
    const OpenedPort opened = open();

    ASSERT_NE(opened.channel, nullptr);
    EXPECT_EQ(opened.channel->route(), "direct I/O at 0x378");
    EXPECT_THAT(opened.message, IsEmpty());
}

TEST_F(PortOpenerTest, WithoutPpdevTheKernelsPortIsReachedDirectly) {
    tree.listCharacterDevices(false);
    tree.addPort("parport0", "888\n");

    const OpenedPort opened = open();

    ASSERT_NE(opened.channel, nullptr);
    EXPECT_EQ(opened.channel->route(), "direct I/O at 0x378");
    EXPECT_THAT(opened.message, HasSubstr("ppdev not loaded"));
}

struct FailureCase {
    const char* name;
    const char* setting;
    int deviceMajor;  // of /dev/parport0, at 0x378 in the kernel; -1: no such node
    int openError;
    int claimError;
    bool ppdevLoaded;
    int grantError;
    const char* message;  // the reason, as the user reads it
    bool triesDirect;
};

void PrintTo(const FailureCase& failure, std::ostream* out) {
    *out << failure.name;
}

class PortOpenerFailures : public PortOpenerTest,
                           public testing::WithParamInterface<FailureCase> {};

TEST_P(PortOpenerFailures, SayWhyWithTheFixAndLeaveNoChannel) {
    const FailureCase& failure = GetParam();
    tree.listCharacterDevices(failure.ppdevLoaded);
    tree.addPort("parport0", "888\n");
    if (failure.deviceMajor >= 0) {
        FakePortSystem::Device device;
        device.major = static_cast<unsigned>(failure.deviceMajor);
        device.openError = failure.openError;
        device.claimError = failure.claimError;
        system.devices["/dev/parport0"] = device;
    }
    system.devices["/dev/ttyS0"] = {4};
    system.grantError = failure.grantError;

    const OpenedPort opened = open(failure.setting);

    EXPECT_EQ(opened.channel, nullptr);
    EXPECT_THAT(opened.message, StartsWith("lptio: cannot reach the port at 0x378"));
    EXPECT_THAT(opened.message, HasSubstr(failure.message));
    const auto callsStartingWith = [this](const std::string& start) {
        return std::count_if(
            system.calls.begin(), system.calls.end(),
            [&start](const std::string& call) { return call.rfind(start, 0) == 0; });
    };
    EXPECT_EQ(callsStartingWith("grant") > 0, failure.triesDirect);
    // A device that opened is closed again.
    EXPECT_EQ(callsStartingWith("close"), failure.openError == 0 ? callsStartingWith("open") : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PortOpenerFailures,
    testing::Values(
        FailureCase{"PermissionDenied", nullptr, 99, EACCES, 0, true, 0,
                    "permission denied on /dev/parport0: add yourself to group lp", false},
        FailureCase{"PpdevMissing", nullptr, -1, 0, 0, false, EPERM,
                    "ppdev not loaded (no /dev/parport0): modprobe ppdev; direct I/O at 0x378 "
                    "needs root (CAP_SYS_RAWIO)",
                    true},
        FailureCase{"NodeMissingWithPpdev", nullptr, -1, 0, 0, true, ENOSYS,
                    "/dev/parport0 does not exist although ppdev is loaded: check udev (sudo "
                    "udevadm trigger); direct I/O at 0x378 is not offered by this kernel",
                    true},
        FailureCase{"NoPortBehindTheNode", nullptr, 99, ENXIO, 0, true, EOPNOTSUPP,
                    "no port behind /dev/parport0", true},
        FailureCase{"NodeOfAnotherDevice", nullptr, 4, 0, 0, true, 0,
                    "/dev/parport0 is not a parallel port device", false},
        FailureCase{"ClaimRefusedAsNotParport", nullptr, 99, 0, ENOTTY, true, 0,
                    "/dev/parport0 is not a parallel port device", false},
        FailureCase{"ClaimFails", nullptr, 99, 0, EINTR, true, EPERM,
                    "cannot claim /dev/parport0: Interrupted system call", true},
        FailureCase{"ChosenDeviceIsATerminal", "/dev/ttyS0", 99, 0, 0, true, 0,
                    "(LPTIO_PORT=/dev/ttyS0), reads give 0xFF: /dev/ttyS0 is not a parallel port",
                    false},
        FailureCase{"ChosenDeviceMissing", "/dev/parport7", 99, 0, 0, true, 0,
                    "/dev/parport7 does not exist although ppdev is loaded", false},
        FailureCase{"ChosenDeviceWithoutPpdev", "parport7", 99, 0, 0, false, 0,
                    "ppdev not loaded (no /dev/parport7): modprobe ppdev", false},
        FailureCase{"NoKernelPortThere", "0x278", 99, 0, 0, true, EPERM,
                    "(LPTIO_PORT=0x278), reads give 0xFF: no parallel port at 0x278: found "
                    "parport0 at 0x378 (LPTIO_PORT=/dev/parport0 selects parport0); direct I/O at "
                    "0x278 needs root",
                    true}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST_F(PortOpenerTest, NamesThePortsTheKernelHasWhenNoneIsAtTheAddress) {
    tree.listCharacterDevices(true);
    addServedPort("parport0", "956\n");
    addServedPort("parport1", "53264\n");
    system.grantError = EPERM;

    const OpenedPort opened = open();

    EXPECT_EQ(opened.channel, nullptr);
    EXPECT_THAT(opened.message, HasSubstr("no parallel port at 0x378: found parport0 at 0x3bc, "
                                          "parport1 at 0xd010"));
    EXPECT_THAT(system.calls, Not(testing::Contains(HasSubstr("open"))));
}

TEST_F(PortOpenerTest, TellsToLoadTheDriversWhenTheKernelKnowsNoPort) {
    system.grantError = EPERM;

    const OpenedPort opened = open();

    EXPECT_EQ(opened.channel, nullptr);
    EXPECT_THAT(opened.message,
                HasSubstr("no parallel port at 0x378: the kernel knows none (modprobe parport_pc "
                          "ppdev); direct I/O at 0x378 needs root"));
}

TEST_F(PortOpenerTest, ABadSettingKeepsEveryPortClosed) {
    addServedPort("parport0", "888\n");

    const OpenedPort opened = open("lpt1");

    EXPECT_EQ(opened.channel, nullptr);
    EXPECT_THAT(opened.message, StartsWith("lptio: LPTIO_PORT=\"lpt1\": not a parallel port"));
    EXPECT_THAT(system.calls, IsEmpty());
}

}  // namespace
