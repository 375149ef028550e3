// SPDX-License-Identifier: MIT
#include "hardware/PortAccess.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "FakeParportTree.h"
#include "FakePortSystem.h"
#include "hardware/linux/PortOpener.h"

namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

// The program's view of the port, floating lines included: what a trace shows.
class RecordingObserver : public PortObserver {
  public:
    void portOpened(std::uint16_t base, std::uint8_t data, std::uint8_t status,
                    std::uint8_t control) override {
        seen.push_back("o " + hexByte(base) + " " + hexByte(data) + " " + hexByte(status) + " " +
                       hexByte(control));
    }
    void portWritten(std::uint16_t address, std::uint8_t value) override {
        seen.push_back("w " + hexByte(address) + " " + hexByte(value));
    }
    void portRead(std::uint16_t address, std::uint8_t value) override {
        seen.push_back("r " + hexByte(address) + " " + hexByte(value));
    }
    std::vector<std::string> seen;
};

class PortAccessTest : public testing::Test {
  protected:
    PortAccess& access(const char* setting = nullptr) {
        tree.listIoPorts("0000-0cf7 : PCI Bus 0000:00\n");
        made = std::make_unique<PortAccess>(
            std::make_unique<PortOpener>(system, ParportTree(tree.root()),
                                         parsePortSetting(setting, "1")),
            [this](const std::string& message) { messages.push_back(message); }, &observer);
        return *made;
    }

    void addServedPort(const std::string& name, const std::string& baseAddr) {
        tree.addPort(name, baseAddr);
        system.devices["/dev/" + name] = {};
    }

    FakeParportTree tree;
    FakePortSystem system;
    RecordingObserver observer;
    std::vector<std::string> messages;
    std::unique_ptr<PortAccess> made;
};

TEST_F(PortAccessTest, TheProgramsFirstWritesReachTheClaimedDeviceInOrder) {
    addServedPort("parport0", "888\n");
    system.devices["/dev/parport0"].answers = {{DeviceCall::ReadData, 0x5A},
                                               {DeviceCall::ReadStatus, 0x78},
                                               {DeviceCall::ReadControl, 0x0C}};
    PortAccess& port = access();

    port.writeByte(888, 0x00);
    port.writeByte(889, 0x00);
    port.writeByte(890, 0x09);
    port.writeByte(890, 0x04);

    EXPECT_EQ(port.readByte(889), 0x78);
    EXPECT_THAT(system.calls, ElementsAre("stat /dev/parport0", "open /dev/parport0", "Claim",
                                          "ReadData", "ReadStatus", "ReadControl", "WriteData 0x00",
                                          "WriteControl 0x09", "WriteControl 0x04", "ReadStatus"));
    EXPECT_THAT(messages, IsEmpty());
    // A trace starts from the registers as the claim left them.
    EXPECT_EQ(observer.seen.front(), "o 0x378 0x5A 0x78 0x0C");
}

TEST_F(PortAccessTest, AnUnreachablePortIsReportedOnceAndReadsFloatingHigh) {
    system.grantError = EPERM;
    PortAccess& port = access();

    EXPECT_FALSE(port.reachable());
    port.writeByte(888, 0x00);
    EXPECT_EQ(port.readByte(889), 0xFF);
    EXPECT_EQ(port.readByte(889), 0xFF);

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(messages[0], HasSubstr("lptio: cannot reach the port at 0x378"));
    EXPECT_THAT(system.calls, ElementsAre("grant 0x378 3"));
    EXPECT_THAT(observer.seen, ElementsAre("w 0x378 0x00", "r 0x379 0xFF", "r 0x379 0xFF"));
}

TEST_F(PortAccessTest, APortLostMidRunIsReportedOnceAndLeftAlone) {
    addServedPort("parport0", "888\n");
    PortAccess& port = access();
    port.writeByte(888, 0x01);
    system.devices["/dev/parport0"].registerError = EIO;

    port.writeByte(888, 0x02);
    EXPECT_EQ(port.readByte(889), 0xFF);

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(messages[0], HasSubstr("lost the port at 0x378 (/dev/parport0)"));
    // Closing releases the port without ppdev's shared lock, which a waiting claim may hold.
    EXPECT_THAT(system.calls, ElementsAre("stat /dev/parport0", "open /dev/parport0", "Claim",
                                          "ReadData", "ReadStatus", "ReadControl", "WriteData 0x01",
                                          "WriteData 0x02", "close"));
}

TEST_F(PortAccessTest, EachBaseOpensItsOwnPortOnce) {
    addServedPort("parport0", "888\n");
    addServedPort("parport1", "956\n");  // 0x3bc: a base that is no multiple of eight
    PortAccess& port = access();

    port.writeByte(0x378, 0x11);
    port.writeByte(0x3BE, 0x04);
    port.writeByte(0x378, 0x33);

    EXPECT_THAT(system.calls,
                ElementsAre("stat /dev/parport0", "open /dev/parport0", "Claim", "ReadData",
                            "ReadStatus", "ReadControl", "WriteData 0x11", "stat /dev/parport1",
                            "open /dev/parport1", "Claim", "ReadData", "ReadStatus", "ReadControl",
                            "WriteControl 0x04", "WriteData 0x33"));
}

TEST_F(PortAccessTest, WithLptioPortEveryBaseSharesTheOneClaimedDevice) {
    addServedPort("parport1", "53264\n");
    PortAccess& port = access("parport1");

    port.writeByte(0x378, 0x11);
    port.writeByte(0x27A, 0x04);

    EXPECT_THAT(system.calls,
                ElementsAre("stat /dev/parport1", "open /dev/parport1", "Claim", "ReadData",
                            "ReadStatus", "ReadControl", "WriteData 0x11", "WriteControl 0x04"));
}

TEST_F(PortAccessTest, WordsAreLittleEndianOverConsecutiveAddressesAndBitsReadSingly) {
    system.ioPorts = {{0x378, 0x34}, {0x379, 0x12}, {0x37A, 0x0C}};
    PortAccess& port = access();

    EXPECT_EQ(port.readWord(0x378), 0x1234);
    EXPECT_EQ(port.getBit(0x379, 4), 1);
    EXPECT_EQ(port.getBit(0x379, 3), 0);
    // 0x37b is no register of the port: it floats, and is reported once.
    EXPECT_EQ(port.readDWord(0x378), 0xFF0C1234u);
    EXPECT_EQ(port.readDWord(0x378), 0xFF0C1234u);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(messages[0], HasSubstr("0x37b is not a parallel port register"));

    observer.seen.clear();
    system.calls.clear();
    port.writeWord(0x378, 0xBEEF);
    port.writeDWord(0x378, 0x0D0C0B0A);
    // Direct I/O drops writes to the read-only status register.
    EXPECT_THAT(system.calls, ElementsAre("out 0x378 0xEF", "out 0x378 0x0A", "out 0x37A 0x0C"));
    EXPECT_THAT(observer.seen, ElementsAre("w 0x378 0xEF", "w 0x379 0xBE", "w 0x378 0x0A",
                                           "w 0x379 0x0B", "w 0x37A 0x0C", "w 0x37B 0x0D"));
}

struct BitCase {
    const char* name;
    void (PortAccess::*bitChange)(std::uint16_t, unsigned);
    void (PortAccess::*shift)(std::uint16_t, int);
    int argument;  // bit number or shift count
    std::uint8_t before;
    std::uint8_t after;
};

class PortBitOperations : public PortAccessTest, public testing::WithParamInterface<BitCase> {};

TEST_P(PortBitOperations, ReadChangeAndWriteBackTheRegister) {
    const BitCase& change = GetParam();
    system.ioPorts[0x378] = change.before;
    PortAccess& port = access();

    if (change.bitChange != nullptr) {
        (port.*change.bitChange)(0x378, static_cast<unsigned>(change.argument));
    } else {
        (port.*change.shift)(0x378, change.argument);
    }

    EXPECT_EQ(system.ioPorts[0x378], change.after);
}

constexpr auto Set = &PortAccess::setBit;
constexpr auto Clear = &PortAccess::clearBit;
constexpr auto Toggle = &PortAccess::toggleBit;
constexpr auto Right = &PortAccess::shiftRight;
constexpr auto Left = &PortAccess::shiftLeft;

INSTANTIATE_TEST_SUITE_P(Register, PortBitOperations,
                         testing::Values(BitCase{"Set2", Set, nullptr, 2, 0x09, 0x0D},
                                         BitCase{"Clear2", Clear, nullptr, 2, 0x0D, 0x09},
                                         BitCase{"ToggleOn", Toggle, nullptr, 3, 0x01, 0x09},
                                         BitCase{"Right4", nullptr, Right, 4, 0xB4, 0x0B},
                                         BitCase{"Left9", nullptr, Left, 9, 0xB4, 0x00},
                                         BitCase{"LeftNegative", nullptr, Left, -1, 0xB4, 0xB4}),
                         [](const testing::TestParamInfo<BitCase>& info) {
                             return info.param.name;
                         });

TEST_F(PortAccessTest, ReachableAsksEveryPortInUse) {
    system.grantError = EPERM;
    addServedPort("parport0", "888\n");
    PortAccess& port = access();
    EXPECT_TRUE(port.reachable());
    port.writeByte(0x278, 0x01);
    EXPECT_FALSE(port.reachable());
    EXPECT_EQ(messages.size(), 1u);
}

}  // namespace
