// SPDX-License-Identifier: MIT
#include "hardware/linux/PpdevChannel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "FakePortSystem.h"
#include "hardware/linux/LinuxPortSystem.h"

namespace {

using testing::ElementsAre;

// ppdev's control write takes bit 5 as a one-way switch: direction has a call of its own.
TEST(PpdevChannel, DataDirectionGoesThroughItsOwnCallOnlyWhenItChanges) {
    FakePortSystem system;
    system.devices["/dev/parport0"] = {
        99, 0, 0, 0, {{DeviceCall::ReadData, 0x5A}, {DeviceCall::ReadControl, 0x05}}};
    int handle = -1;
    system.openDevice("/dev/parport0", handle);
    PpdevChannel channel(system, handle, "/dev/parport0");

    channel.write(2, 0x24);
    channel.write(2, 0x25);
    std::uint8_t control = 0, data = 0;
    channel.read(2, control);
    channel.read(0, data);
    channel.write(2, 0x04);

    EXPECT_EQ(control, 0x25);
    EXPECT_EQ(data, 0x5A);
    EXPECT_THAT(system.calls, ElementsAre("open /dev/parport0", "DataReverse", "WriteControl 0x04",
                                          "WriteControl 0x05", "ReadControl", "ReadData",
                                          "DataForward", "WriteControl 0x04"));
}

// The claim's bound, on a call that would block for ever: it returns, and the program's own
// handling of the signal that ended it is back.
TEST(LinuxPortSystem, ABlockingCallEndsAtItsLimit) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    struct sigaction before = {}, after = {};
    sigaction(SIGRTMAX, nullptr, &before);
    char byte = 0;
    EXPECT_EQ(callWithin(20, [&] { return read(ends[0], &byte, 1) < 0 ? errno : 0; }), ETIMEDOUT);
    EXPECT_EQ(callWithin(20, [] { return EACCES; }), EACCES);
    sigaction(SIGRTMAX, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
    close(ends[0]);
    close(ends[1]);
}

volatile sig_atomic_t hostSignalValue = 0;

// A host's signals during the claim: one that interrupts the call (a child's end) does not end
// the wait, and the host's own SIGRTMAX reaches the host's handler with its value.
TEST(LinuxPortSystem, TheHostsSignalsNeitherEndTheWaitNorGetLost) {
    struct sigaction host = {}, before = {};
    host.sa_sigaction = [](int, siginfo_t* info, void*) {
        hostSignalValue = info->si_value.sival_int;
    };
    host.sa_flags = SA_SIGINFO;
    sigemptyset(&host.sa_mask);
    sigaction(SIGRTMAX, &host, &before);
    int calls = 0;
    const int result = callWithin(2000, [&calls] {
        if (++calls > 1) {
            return 0;
        }
        sigval value{};
        value.sival_int = 42;
        sigqueue(getpid(), SIGRTMAX, value);
        return EINTR;
    });
    sigaction(SIGRTMAX, &before, nullptr);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(hostSignalValue, 42);
}

}  // namespace
