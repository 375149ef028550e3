// The binding and the driver against real libio.so files found through the loader's search path.
// Each suite runs in a process of its own whose LD_LIBRARY_PATH names the library to find.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ProgramRun.h"
#include "driver/Korvella4v4.h"
#include "platform/LibraryLoader.h"
#include "portio/PortIoLibrary.h"

namespace {

bool allTwelveOthersResolved() {
    const PortIoLibrary& t = portIoLibrary;
    return t.PortOut && t.PortWordOut && t.PortDWordOut && t.PortIn && t.PortWordIn &&
           t.PortDWordIn && t.SetPortBit && t.ClrPortBit && t.NotPortBit && t.GetPortBit &&
           t.RightPortShift && t.LeftPortShift;
}

std::string portLog() {
    const char* path = std::getenv("SCRIPTIO_LOG");
    return path != nullptr ? readWholeFile(path) : "";
}

// The library opens its log at its first port access: a log left by an earlier run must not
// stand in for this one's.
class LoadedLibrary : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* path = std::getenv("SCRIPTIO_LOG")) {
            std::remove(path);
        }
    }
};

using NoLibrary = LoadedLibrary;
TEST_F(NoLibrary, LoadFailsAndTheDriverIsNotUsable) {
    EXPECT_EQ(loadPortIoLibrary(), 1);
    EXPECT_EQ(portIoLibrary.module, nullptr);
    unloadPortIoLibrary();  // must not hand a null handle to the OS
    Korvella4v4 driver(888);
    EXPECT_EQ(driver.detectHardware(), -1);
}

using WholeLibrary = LoadedLibrary;
TEST_F(WholeLibrary, LoadsResolvesEverythingAndCarriesPortWrites) {
    Korvella4v4 driver(888);
    EXPECT_NE(portIoLibrary.module, nullptr);
    EXPECT_TRUE(allTwelveOthersResolved());
    EXPECT_NE(portIoLibrary.IsDriverInstalled, nullptr);
    EXPECT_EQ(portLog(), "W 888 00\nW 889 00\nW 890 09\nW 890 09\n");
    EXPECT_EQ(driver.detectHardware(), 0);  // the script's status reads float high: 1, 1, 1
}

using WithoutIsDriverInstalled = LoadedLibrary;
TEST_F(WithoutIsDriverInstalled, LoadSucceedsButTheDriverTouchesNothing) {
    EXPECT_EQ(loadPortIoLibrary(), 0);
    EXPECT_TRUE(allTwelveOthersResolved());
    EXPECT_EQ(portIoLibrary.IsDriverInstalled, nullptr);
    Korvella4v4 driver(888);
    EXPECT_EQ(driver.detectHardware(), -1);
    EXPECT_EQ(portLog(), "");
}

using WithoutPortOut = LoadedLibrary;
TEST_F(WithoutPortOut, DriverIsNotUsableAndCallsNothingThroughNull) {
    EXPECT_EQ(loadPortIoLibrary(), 0);
    EXPECT_EQ(portIoLibrary.PortOut, nullptr);
    EXPECT_NE(portIoLibrary.IsDriverInstalled, nullptr);
    {
        Korvella4v4 driver(888);
        EXPECT_EQ(driver.detectHardware(), -1);
    }  // the destructor must not write through the missing PortOut
    EXPECT_EQ(portLog(), "");
}

}  // namespace
