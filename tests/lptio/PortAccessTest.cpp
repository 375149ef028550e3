#include "lptio/PortAccess.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "FakeParportTree.h"
#include "FakePortSystem.h"

namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

class RecordingObserver : public PortObserver {
  public:
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
        made = std::make_unique<PortAccess>(
            PortOpener(system, ParportTree(tree.root()), parsePortSetting(setting)),
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
    PortAccess& port = access();

    port.writeByte(888, 0x00);
    port.writeByte(889, 0x00);
    port.writeByte(890, 0x09);
    port.writeByte(890, 0x09);
    port.writeByte(890, 0x04);
    const std::uint8_t status = port.readByte(889);

    EXPECT_EQ(status, 0x00);
    EXPECT_THAT(system.calls, ElementsAre("stat /dev/parport0", "open /dev/parport0", "Claim",
                                          "WriteData 0x00", "WriteControl 0x09",
                                          "WriteControl 0x09", "WriteControl 0x04", "ReadStatus"));
    EXPECT_THAT(messages, IsEmpty());
}

TEST_F(PortAccessTest, AnUnreachablePortIsReportedOnceAndReadsFloatingHigh) {
    system.grantError = EPERM;
    PortAccess& port = access();

    port.writeByte(888, 0x00);
    port.writeByte(890, 0x04);
    const std::uint8_t first = port.readByte(889);
    const std::uint8_t second = port.readByte(889);

    EXPECT_EQ(first, 0xFF);
    EXPECT_EQ(second, 0xFF);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(messages[0], HasSubstr("lptio: cannot reach the port at 0x378"));
    EXPECT_THAT(system.calls, ElementsAre("grant 0x378 3"));
    // The program's view, floating lines included, is what a trace shows.
    EXPECT_THAT(observer.seen,
                ElementsAre("w 0x378 0x00", "w 0x37A 0x04", "r 0x379 0xFF", "r 0x379 0xFF"));
}

TEST_F(PortAccessTest, APortLostMidRunIsReportedOnceAndLeftAlone) {
    addServedPort("parport0", "888\n");
    PortAccess& port = access();
    port.writeByte(888, 0x01);
    system.devices["/dev/parport0"].registerError = EIO;

    port.writeByte(888, 0x02);
    const std::uint8_t status = port.readByte(889);

    EXPECT_EQ(status, 0xFF);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(messages[0], HasSubstr("lost the port at 0x378 (/dev/parport0)"));
    EXPECT_THAT(system.calls, ElementsAre("stat /dev/parport0", "open /dev/parport0", "Claim",
                                          "WriteData 0x01", "WriteData 0x02", "Release", "close"));
}

TEST_F(PortAccessTest, WithLptioPortEveryBaseSharesTheOneClaimedDevice) {
    addServedPort("parport1", "53264\n");
    PortAccess& port = access("parport1");

    port.writeByte(0x378, 0x11);
    port.writeByte(0x278, 0x22);
    port.writeByte(0x27A, 0x04);

    EXPECT_THAT(system.calls, ElementsAre("stat /dev/parport1", "open /dev/parport1", "Claim",
                                          "WriteData 0x11", "WriteData 0x22", "WriteControl 0x04"));
}

TEST_F(PortAccessTest, EachBaseOpensItsOwnPort) {
    addServedPort("parport0", "888\n");
    addServedPort("parport1", "632\n");
    PortAccess& port = access();

    port.writeByte(0x378, 0x11);
    port.writeByte(0x278, 0x22);
    port.writeByte(0x378, 0x33);

    EXPECT_THAT(system.calls,
                ElementsAre("stat /dev/parport0", "open /dev/parport0", "Claim", "WriteData 0x11",
                            "stat /dev/parport1", "open /dev/parport1", "Claim", "WriteData 0x22",
                            "WriteData 0x33"));
}

TEST_F(PortAccessTest, WordsAndDoubleWordsAreLittleEndianOverConsecutiveAddresses) {
    system.ioPorts = {{0x378, 0x34}, {0x379, 0x12}, {0x37A, 0x0C}};
    PortAccess& port = access();

    EXPECT_EQ(port.readWord(0x378), 0x1234);
    // 0x37b is no register of the port: it floats, and is reported once.
    EXPECT_EQ(port.readDWord(0x378), 0xFF0C1234u);
    EXPECT_EQ(port.readDWord(0x378), 0xFF0C1234u);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(messages[0], HasSubstr("0x37b is not a parallel port register"));

    system.calls.clear();
    port.writeWord(0x378, 0xBEEF);
    port.writeDWord(0x378, 0x0D0C0B0A);
    EXPECT_THAT(system.calls, ElementsAre("out 0x378 0xEF", "out 0x378 0x0A", "out 0x37A 0x0C"));
    EXPECT_THAT(std::vector<std::string>(observer.seen.end() - 6, observer.seen.end()),
                ElementsAre("w 0x378 0xEF", "w 0x379 0xBE", "w 0x378 0x0A", "w 0x379 0x0B",
                            "w 0x37A 0x0C", "w 0x37B 0x0D"));
}

enum class BitOperation { Set, Clear, Toggle, ShiftRight, ShiftLeft };

struct BitCase {
    BitOperation operation;
    std::uint8_t before;
    int argument;  // bit number or shift count
    std::uint8_t after;
};

void PrintTo(const BitCase& bitCase, std::ostream* out) {
    *out << static_cast<int>(bitCase.operation) << " on " << hexByte(bitCase.before) << " with "
         << bitCase.argument;
}

std::string nameOfBitCase(const testing::TestParamInfo<BitCase>& info) {
    static const char* const names[] = {"Set", "Clear", "Toggle", "ShiftRight", "ShiftLeft"};
    return names[static_cast<int>(info.param.operation)] + std::to_string(info.index);
}

class PortBitOperations : public PortAccessTest, public testing::WithParamInterface<BitCase> {};

TEST_P(PortBitOperations, ReadChangeAndWriteBackTheRegister) {
    const BitCase& bitCase = GetParam();
    system.ioPorts[0x378] = bitCase.before;
    PortAccess& port = access();
    const auto bit = static_cast<unsigned>(bitCase.argument);

    switch (bitCase.operation) {
        case BitOperation::Set:
            port.setBit(0x378, bit);
            break;
        case BitOperation::Clear:
            port.clearBit(0x378, bit);
            break;
        case BitOperation::Toggle:
            port.toggleBit(0x378, bit);
            break;
        case BitOperation::ShiftRight:
            port.shiftRight(0x378, bitCase.argument);
            break;
        case BitOperation::ShiftLeft:
            port.shiftLeft(0x378, bitCase.argument);
            break;
    }

    EXPECT_EQ(system.ioPorts[0x378], bitCase.after);
    if (bitCase.after != bitCase.before) {
        EXPECT_THAT(observer.seen, ElementsAre("r 0x378 " + hexByte(bitCase.before),
                                               "w 0x378 " + hexByte(bitCase.after)));
    }
}

INSTANTIATE_TEST_SUITE_P(Register, PortBitOperations,
                         testing::Values(BitCase{BitOperation::Set, 0x09, 2, 0x0D},
                                         BitCase{BitOperation::Set, 0x00, 7, 0x80},
                                         BitCase{BitOperation::Set, 0x0D, 2, 0x0D},
                                         BitCase{BitOperation::Set, 0x00, 8, 0x00},
                                         BitCase{BitOperation::Clear, 0x0D, 2, 0x09},
                                         BitCase{BitOperation::Clear, 0xFF, 0, 0xFE},
                                         BitCase{BitOperation::Clear, 0x09, 1, 0x09},
                                         BitCase{BitOperation::Toggle, 0x09, 3, 0x01},
                                         BitCase{BitOperation::Toggle, 0x01, 3, 0x09},
                                         BitCase{BitOperation::ShiftRight, 0xB4, 1, 0x5A},
                                         BitCase{BitOperation::ShiftRight, 0xB4, 4, 0x0B},
                                         BitCase{BitOperation::ShiftRight, 0xB4, 8, 0x00},
                                         BitCase{BitOperation::ShiftRight, 0xB4, -1, 0xB4},
                                         BitCase{BitOperation::ShiftLeft, 0xB4, 1, 0x68},
                                         BitCase{BitOperation::ShiftLeft, 0x0F, 4, 0xF0},
                                         BitCase{BitOperation::ShiftLeft, 0xB4, 0, 0xB4},
                                         BitCase{BitOperation::ShiftLeft, 0xB4, 9, 0x00}),
                         nameOfBitCase);

TEST_F(PortAccessTest, GetBitReadsOneBitOfTheRegister) {
    system.ioPorts[0x379] = 0x80;
    PortAccess& port = access();

    EXPECT_EQ(port.getBit(0x379, 7), 1);
    EXPECT_EQ(port.getBit(0x379, 6), 0);
    EXPECT_EQ(port.getBit(0x379, 8), 0);
    EXPECT_THAT(observer.seen, ElementsAre("r 0x379 0x80", "r 0x379 0x80"));
}

TEST_F(PortAccessTest, ReachableProbesTheUsualPortBeforeAnyUse) {
    addServedPort("parport0", "888\n");
    PortAccess& port = access();

    EXPECT_TRUE(port.reachable());
    port.writeByte(0x378, 0x01);

    EXPECT_THAT(system.calls,
                ElementsAre("stat /dev/parport0", "open /dev/parport0", "Claim", "WriteData 0x01"));
}

TEST_F(PortAccessTest, ReachableIsFalseWhenAPortInUseCannotBeReached) {
    addServedPort("parport0", "888\n");
    system.grantError = EPERM;
    PortAccess& port = access();

    port.writeByte(0x378, 0x01);
    EXPECT_TRUE(port.reachable());
    port.writeByte(0x278, 0x01);
    EXPECT_FALSE(port.reachable());
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(PortAccessTest, ReachableIsFalseWhenNothingServesTheUsualPort) {
    system.grantError = ENOSYS;
    EXPECT_FALSE(access().reachable());
    EXPECT_EQ(messages.size(), 1u);
}

}  // namespace
