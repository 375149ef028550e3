// Windows' choice of port and its messages, with Windows' port list and the port-access library
// scripted.
#include "lptio/DriverPortFinder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FakePortSystem.h"
#include "lptio/PortAccess.h"

namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using State = PortDriver::State;

class FakePortDriver : public PortDriver {
  public:
    std::vector<ListedPort> ports;
    std::string listFailure;  // non-empty: the list cannot be read
    State state = State::Ready;
    bool memoryIntegrity = false;
    bool floating = false;  // nothing answers at any address
    std::map<std::uint16_t, std::uint8_t> registers;
    std::vector<std::string> calls;

    std::string libraryName() const override { return "inpoutx64.dll"; }
    State load(std::string& reason) override {
        reason = "inpoutx64.dll lacks Out32";
        return state;
    }
    bool memoryIntegrityOn() override { return memoryIntegrity; }
    bool listPorts(std::vector<ListedPort>& listed, std::string& reason) override {
        listed = ports;
        reason = listFailure;
        return listFailure.empty();
    }
    void outByte(std::uint16_t port, std::uint8_t value) override {
        calls.push_back("out " + hexByte(port) + " " + hexByte(value));
        registers[port] = value;
    }
    std::uint8_t inByte(std::uint16_t port) override {
        calls.push_back("in " + hexByte(port));
        return floating ? 0xFF : registers[port];
    }
};

const std::vector<ListedPort> Legacy = {{"LPT1", 0x378}};
const std::vector<ListedPort> Card = {{"LPT1", 0x378}, {"LPT2", 0xD010}};
const std::vector<ListedPort> CardOnly = {{"LPT1", 0xD010}};
const std::vector<ListedPort> None = {};

struct FindCase {
    const char* name;
    const char* setting;  // LPTIO_PORT
    const char* force;    // LPTIO_FORCE_PORT
    std::vector<ListedPort> ports;
    State state;
    const char* route;    // "none" when the port cannot be reached
    const char* message;  // as the user reads it; "" when nothing is said
    const char* listFailure = "";
    bool memoryIntegrity = false;
};

class DriverPortFinderTest : public testing::TestWithParam<FindCase> {};

TEST_P(DriverPortFinderTest, ChoosesAListedPortOrSaysWhyWithTheFix) {
    const FindCase& machine = GetParam();
    FakePortDriver driver;
    driver.ports = machine.ports;
    driver.listFailure = machine.listFailure;
    driver.state = machine.state;
    driver.memoryIntegrity = machine.memoryIntegrity;

    DriverPortFinder finder(driver, parseWindowsPortSetting(machine.setting, machine.force));
    const OpenedPort opened = finder.open(0x378);

    EXPECT_EQ(opened.channel != nullptr ? opened.channel->route() : "none", machine.route);
    EXPECT_EQ(opened.message.rfind("lptio: ", 0) == 0, *machine.message != '\0') << opened.message;
    EXPECT_THAT(opened.message, HasSubstr(machine.message));
    EXPECT_THAT(driver.calls, ElementsAre());  // opening writes nothing
}

INSTANTIATE_TEST_SUITE_P(
    Windows, DriverPortFinderTest,
    testing::Values(
        FindCase{"LegacyPort", nullptr, nullptr, Legacy, State::Ready,
                 "LPT1 at 0x378 through inpoutx64.dll", ""},
        FindCase{"ChosenByName", "lpt2", nullptr, Card, State::Ready,
                 "LPT2 at 0xd010 through inpoutx64.dll", ""},
        FindCase{"ChosenByBase", "0xd010", nullptr, Card, State::Ready,
                 "LPT2 at 0xd010 through inpoutx64.dll", ""},
        FindCase{"NameNotListed", "LPT3", "1", Card, State::Ready, "none",
                 "(LPTIO_PORT=LPT3), reads give 0xFF: Windows lists no LPT3: found LPT1 at 0x378, "
                 "LPT2 at 0xd010"},
        FindCase{"BaseNotListed", "0xd000", nullptr, Card, State::Ready, "none",
                 "no parallel port at 0xd000: Windows lists LPT1 at 0x378, LPT2 at 0xd010"},
        FindCase{"OnlyACardListed", nullptr, nullptr, CardOnly, State::Ready, "none",
                 "no parallel port at 0x378: Windows lists LPT1 at 0xd010 (LPTIO_PORT=LPT1 "
                 "selects LPT1)"},
        FindCase{"ForcedBase", "0xd000", "1", Card, State::Ready, "0xd000 through inpoutx64.dll",
                 "LPTIO_FORCE_PORT=1: using 0xd000, which Windows does not list as a parallel "
                 "port (it lists LPT1 at 0x378, LPT2 at 0xd010)"},
        FindCase{"ForcedSystemBoard", "0xcf8", "1", None, State::Ready, "none",
                 "0xcf8 reaches the system board's own registers"},
        FindCase{"NothingListed", nullptr, "0", None, State::Ready, "none",
                 "Windows lists no parallel port (a USB-to-parallel adapter has no I/O ports"},
        FindCase{"ListUnreadable", nullptr, nullptr, None, State::Ready, "none",
                 "list of parallel ports cannot be read (WMI: Access denied)",
                 "WMI: Access denied"},
        FindCase{"LibraryMissing", nullptr, nullptr, Legacy, State::LibraryMissing, "none",
                 "cannot reach the port at 0x378, reads give 0xFF: inpoutx64.dll is neither beside "
                 "io.dll nor on the DLL path: get the freeware InpOut32 package"},
        FindCase{"LibraryUnusable", nullptr, nullptr, Legacy, State::LibraryUnusable, "none",
                 "reads give 0xFF: inpoutx64.dll lacks Out32"},
        FindCase{"DriverNotOpen", nullptr, nullptr, Legacy, State::DriverNotOpen, "none",
                 "not running: start flashtest.exe once as Administrator"},
        FindCase{"MemoryIntegrity", nullptr, nullptr, Legacy, State::DriverNotOpen, "none",
                 "Memory Integrity is on and refuses the port driver", "", true},
        FindCase{"BadForce", nullptr, "yes", Legacy, State::Ready, "none",
                 "lptio: LPTIO_FORCE_PORT=\"yes\": not 0 or 1"},
        FindCase{"LinuxDevice", "parport0", nullptr, Legacy, State::Ready, "none",
                 "LPTIO_PORT=\"parport0\": not a parallel port; accepted: LPT1, LPT2, ..."},
        FindCase{"AmbiguousBase", "0378", nullptr, Legacy, State::Ready, "none",
                 "LPTIO_PORT=\"0378\": read as decimal it is no port base; did you mean 0x378?; "
                 "accepted: LPT1, LPT2, ... as Windows names the port, or its base address"}),
    [](const testing::TestParamInfo<FindCase>& info) { return info.param.name; });

class DriverPortAccessTest : public testing::Test {
  protected:
    PortAccess& access(const char* setting, const char* force = nullptr) {
        made = std::make_unique<PortAccess>(
            std::make_unique<DriverPortFinder>(driver, parseWindowsPortSetting(setting, force)),
            [this](const std::string& message) { messages.push_back(message); }, nullptr);
        return *made;
    }

    FakePortDriver driver;
    std::vector<std::string> messages;
    std::unique_ptr<PortAccess> made;
};

TEST_F(DriverPortAccessTest, TheProgramsPortGoesToTheChosenBaseAndIsReadBackOnce) {
    driver.ports = Card;
    PortAccess& port = access("LPT2");
    port.writeByte(0x378, 0x00);  // data direction still unknown: not checked
    port.writeByte(0x379, 0x00);  // read-only status: dropped
    port.writeByte(0x37A, 0x04);
    port.writeByte(0x378, 0x5A);
    port.writeByte(0x378, 0x5B);
    driver.registers[0xD011] = 0x78;
    EXPECT_EQ(port.readByte(0x379), 0x78);
    EXPECT_THAT(driver.calls, ElementsAre("out 0xD010 0x00", "out 0xD012 0x04", "out 0xD010 0x5A",
                                          "in 0xD010", "out 0xD010 0x5B", "in 0xD011"));
    EXPECT_TRUE(messages.empty());
}

TEST_F(DriverPortAccessTest, APortThatDoesNotKeepItsDataIsReportedAndLeftAlone) {
    driver.floating = true;
    PortAccess& port = access("0xd000", "1");
    port.writeByte(0x37A, 0x24);  // data lines reversed: their read-back would prove nothing
    port.writeByte(0x378, 0x01);
    port.writeByte(0x37A, 0x04);
    port.writeByte(0x378, 0x01);
    EXPECT_EQ(port.readByte(0x379), 0xFF);
    port.writeByte(0x378, 0x02);

    EXPECT_THAT(driver.calls, ElementsAre("out 0xD002 0x24", "out 0xD000 0x01", "out 0xD002 0x04",
                                          "out 0xD000 0x01", "in 0xD000"));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_THAT(messages[1], HasSubstr("no answer: the data register read back 0xFF after 0x01 "
                                       "was written, so nothing at 0xd000 works as a parallel "
                                       "port"));
}

struct RangesCase {
    const char* name;
    std::vector<IoRange> ranges;  // as Windows allocated them, in its order
    std::uint16_t base;           // 0: no base
};

class PortBaseAmongRanges : public testing::TestWithParam<RangesCase> {};

TEST_P(PortBaseAmongRanges, IsTheFirstRegisterBlock) {
    std::uint16_t base = 0;
    EXPECT_EQ(portBaseAmong(GetParam().ranges, base), GetParam().base != 0);
    EXPECT_EQ(base, GetParam().base);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, PortBaseAmongRanges,
    testing::Values(RangesCase{"LegacyWithEcp", {{0x378, 0x37F}, {0x778, 0x77B}}, 0x378},
                    RangesCase{"PcieCard", {{0xD010, 0xD017}, {0xD000, 0xD007}}, 0xD010},
                    RangesCase{"EcpBlockListedFirst", {{0x7BC, 0x7BE}, {0x3BC, 0x3C3}}, 0x3BC},
                    RangesCase{"LegacyFourPorts", {{0x3BC, 0x3BF}}, 0x3BC},
                    RangesCase{"NoIoPorts", {}, 0},
                    RangesCase{"BeyondIoSpace", {{0x10000, 0x10007}, {0x2F8, 0x2F9}}, 0}),
    [](const testing::TestParamInfo<RangesCase>& info) { return info.param.name; });

}  // namespace
