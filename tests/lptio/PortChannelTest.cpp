#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "FakePortSystem.h"
#include "lptio/DirectChannel.h"
#include "lptio/PpdevChannel.h"

namespace {

using testing::ElementsAre;

class PpdevChannelTest : public testing::Test {
  protected:
    PpdevChannelTest() {
        system.devices["/dev/parport0"] = {
            99, 0, 0, 0, {{DeviceCall::ReadData, 0x5A}, {DeviceCall::ReadControl, 0x05}}};
        system.openDevice("/dev/parport0", handle);
        system.calls.clear();
    }

    FakePortSystem system;
    int handle = -1;
};

// ppdev's control write takes bit 5 as a one-way switch: direction has a call of its own.
TEST_F(PpdevChannelTest, DataDirectionGoesThroughItsOwnCallOnlyWhenItChanges) {
    PpdevChannel channel(system, handle, "/dev/parport0");
    channel.write(2, 0x24);
    channel.write(2, 0x25);
    std::uint8_t control = 0, data = 0;
    channel.read(2, control);
    channel.read(0, data);
    channel.write(2, 0x04);

    EXPECT_EQ(control, 0x25);
    EXPECT_EQ(data, 0x5A);
    EXPECT_THAT(system.calls,
                ElementsAre("DataReverse", "WriteControl 0x04", "WriteControl 0x05", "ReadControl",
                            "ReadData", "DataForward", "WriteControl 0x04"));
}

TEST(DirectChannel, ReachesBasePlusOffsetAndDropsStatusWrites) {
    FakePortSystem system;
    system.ioPorts[0xD011] = 0x87;
    DirectChannel channel(system, 0xD010);

    EXPECT_EQ(channel.write(0, 0x12), 0);
    EXPECT_EQ(channel.write(1, 0x00), 0);
    EXPECT_EQ(channel.write(2, 0x29), 0);  // raw, direction bit included
    std::uint8_t status = 0;
    EXPECT_EQ(channel.read(1, status), 0);

    EXPECT_EQ(status, 0x87);
    EXPECT_THAT(system.calls, ElementsAre("out 0xD010 0x12", "out 0xD012 0x29", "in 0xD011"));
}

}  // namespace
