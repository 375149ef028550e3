// SPDX-License-Identifier: MIT
#include "hardware/linux/ParportTree.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "FakeParportTree.h"

namespace {

TEST(ParportTree, ListsReadablePortsWithTheirBasesInTheKernelsNumbering) {
    FakeParportTree tree;
    tree.addPort("parport10", "53264\n");
    tree.addPort("parport2", "632\t1656\n");  // a second, extended base after a tab
    tree.addPort("parport0", "956\n");
    tree.addPort("parport1", "not a number\n");
    tree.addPort("parport3", "70000\n");
    tree.addPort("parportx", "632\n");
    tree.addPort("default", "888\n");
    std::filesystem::create_directories(tree.root() + "/proc/sys/dev/parport/parport4");

    const auto ports = ParportTree(tree.root()).ports();

    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].name, "parport0");
    EXPECT_EQ(ports[0].base, 0x3BC);
    EXPECT_EQ(ports[1].name, "parport2");
    EXPECT_EQ(ports[1].base, 0x278);
    EXPECT_EQ(ports[2].devicePath(), "/dev/parport10");
    EXPECT_EQ(ports[2].base, 0xD010);
    EXPECT_TRUE(ParportTree(tree.root() + "/missing").ports().empty());
}

TEST(ParportTree, TellsWhetherPpdevIsAmongTheCharacterDevices) {
    FakeParportTree with, without, empty;
    with.listCharacterDevices(true);
    without.listCharacterDevices(false);

    EXPECT_TRUE(ParportTree(with.root()).ppdevLoaded());
    EXPECT_FALSE(ParportTree(without.root()).ppdevLoaded());
    EXPECT_FALSE(ParportTree(empty.root()).ppdevLoaded());
}

// Where direct I/O may go: nowhere another driver, or the mainboard's own devices, sit.
struct RangeCase {
    std::uint16_t first;
    const char* why;  // "" when the range is free
    const char* ioports =
        "0000-0cf7 : PCI Bus 0000:00\n  0070-0077 : rtc0\n  0378-037a : parport0\n"
        "  03f8-03ff : serial\n0cf8-0cff : PCI conf1\nd000-dfff : PCI Bus 0000:05\n"
        "  d000-d007 : 0000:05:00.0\n    d000-d002 : parport1\n  d010-d017 : 0000:05:00.1\n";
};

class IoRanges : public testing::TestWithParam<RangeCase> {};

TEST_P(IoRanges, AreFreeForDirectIoOnlyWhereNoOtherDriverUsesThem) {
    FakeParportTree tree;
    if (*GetParam().ioports != '\0') {
        tree.listIoPorts(GetParam().ioports);
    }
    std::string why;
    EXPECT_EQ(ParportTree(tree.root()).ioRangeFree(GetParam().first, 3, why),
              *GetParam().why == '\0');
    EXPECT_EQ(why, GetParam().why);
}

INSTANTIATE_TEST_SUITE_P(
    ProcIoports, IoRanges,
    testing::Values(RangeCase{0x378, ""}, RangeCase{0xD000, ""}, RangeCase{0x27C, ""},
                    RangeCase{0xCF7, "/proc/ioports gives 0cf8-0cff to PCI conf1"},
                    RangeCase{0x3FC, "/proc/ioports gives 03f8-03ff to serial"},
                    RangeCase{0xD004, "/proc/ioports gives d000-d007 to 0000:05:00.0"},
                    RangeCase{0x6C, "below 0x100 are the mainboard's own devices"},
                    RangeCase{0x378, "/proc/ioports shows no addresses to this user (needs root)",
                              "0000-0000 : PCI Bus 0000:00\n  0000-0000 : parport0\n"},
                    RangeCase{0x378, "/proc/ioports cannot be read", ""}));

// Direct I/O only where a parallel port is known to sit; 0x3f0 and 0x4d0 are the floppy
// controller's and the interrupt controller's, never a port's.
struct KnownCase {
    std::uint16_t first;
    bool known;
};

class KnownPorts : public testing::TestWithParam<KnownCase> {};

TEST_P(KnownPorts, AreTheLegacyBasesAndThePciParallelControllersIoRanges) {
    FakeParportTree tree;
    const std::string io = " 0x0000000000040101\n", memory = " 0x0000000000040200\n";
    tree.addPciDevice("0000:05:00.0", "0x070102",
                      "0x000000000000d000 0x000000000000d007" + io +
                          "0x000000000000b000 0x000000000000b0ff" + memory +
                          "0x0000000000000000 0x0000000000000000 0x0000000000000000\n");
    tree.addPciDevice("0000:00:1f.0", "0x060100", "0x000000000000e000 0x000000000000e0ff" + io);
    std::string why;
    EXPECT_EQ(ParportTree(tree.root()).knownParallelPort(GetParam().first, 3, why),
              GetParam().known);
    EXPECT_EQ(why, GetParam().known ? ""
                                    : "not known to be a parallel port; known: the legacy bases "
                                      "0x378, 0x278, 0x3bc, 0xd000-0xd007 (PCI 0000:05:00.0)");
}

INSTANTIATE_TEST_SUITE_P(LegacyAndSysfs, KnownPorts,
                         testing::Values(KnownCase{0x378, true}, KnownCase{0x27C, true},
                                         KnownCase{0x3BC, true}, KnownCase{0xD000, true},
                                         KnownCase{0xD004, true}, KnownCase{0xD006, false},
                                         KnownCase{0x3F0, false}, KnownCase{0x4D0, false},
                                         KnownCase{0x400, false}, KnownCase{0xB000, false},
                                         KnownCase{0xE000, false}, KnownCase{0x0, false}));

}  // namespace
