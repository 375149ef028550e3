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

}  // namespace
