#include "lptio/ParportTree.h"

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

}  // namespace
