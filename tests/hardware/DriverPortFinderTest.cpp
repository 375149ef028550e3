// SPDX-License-Identifier: MIT
// Windows' choice of port and its messages, with Windows' port list and the port-access library
// scripted.
#include "hardware/DriverPortFinder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FakePortSystem.h"
#include "hardware/PortAccess.h"

namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using State = PortDriver::State;

class FakePortDriver : public PortDriver {
  public:
    std::vector<DeviceResources> devices;  // every present device
    std::string listFailure;               // non-empty: no device can be listed
    State state = State::Ready;
    bool isElevated = false;
    long codeIntegrity = -1;  // the running options; -1: unknown
    bool floating = false;    // nothing answers at any address
    std::map<std::uint16_t, std::uint8_t> registers;
    std::vector<std::string> calls;

    std::string libraryName() const override { return "inpoutx64.dll"; }
    State load(std::string& reason) override {
        calls.push_back("load");
        reason = "inpoutx64.dll lacks Out32";
        return state;
    }
    bool elevated() override { return isElevated; }
    bool codeIntegrityOptions(unsigned long& options) override {
        options = static_cast<unsigned long>(codeIntegrity);
        return codeIntegrity >= 0;
    }
    bool listDevices(bool everyDevice, std::vector<DeviceResources>& listed,
                     std::string& reason) override {
        for (const DeviceResources& device : devices) {
            if (everyDevice || device.parallelPort) {
                listed.push_back(device);
            }
        }
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

DeviceResources lpt(const char* name, std::vector<IoRange> ranges, unsigned long configResult = 0,
                    long wmiStatus = 0) {
    return {name, true, std::move(ranges), configResult, wmiStatus, ""};
}
DeviceResources other(const char* name, std::vector<IoRange> ranges) {
    return {name, false, std::move(ranges), 0, 0, ""};
}

constexpr unsigned long NotImplemented = 0x34;  // CR_CALL_NOT_IMPLEMENTED: ask WMI
constexpr long WmiDone = 1;                     // WBEM_S_FALSE
using Devices = std::vector<DeviceResources>;
const Devices Legacy = {lpt("LPT1", {{0x378, 0x37F}})};
const Devices Card = {lpt("LPT1", {{0x378, 0x37F}}), lpt("LPT2", {{0xD010, 0xD017}})};
const Devices CardOnly = {lpt("LPT1", {{0xD010, 0xD017}}), other("COM1", {{0x3F8, 0x3FF}})};
const Devices TwoBlocks = {lpt("LPT1", {{0xD010, 0xD017}, {0xD000, 0xD007}})};
// Windows' own order may put the ECP block first; an ISA-style port's ECP block is base+0x400.
const Devices Ecp = {lpt("LPT1", {{0x778, 0x77F}, {0x378, 0x37F}}),
                     other("Motherboard resources", {{0x4D0, 0x4D1}, {0xD000, 0xD0FF}})};
const Devices EcpThroughWmi = {
    lpt("LPT1", {{0x778, 0x77F}, {0x378, 0x37F}}, NotImplemented, WmiDone)};
const Devices WmiTimedOut = {lpt("LPT1", {{0x778, 0x77F}}, NotImplemented, 0x40004)};
const Devices WmiDenied = {lpt("LPT1", {}, NotImplemented, static_cast<long>(0x80041003))};
const Devices ConfigError = {lpt("LPT1", {{0xD010, 0xD017}}), lpt("LPT3", {}, 0x25)};
const Devices OthersUnknown = {
    WmiDenied[0], {"PCI bus", false, {}, NotImplemented, static_cast<long>(0x80041001), ""}};
const Devices None = {};

struct FindCase {
    const char* name;
    const char* setting;  // LPTIO_PORT
    const char* force;    // LPTIO_FORCE_PORT
    Devices devices;
    State state;
    const char* route;                      // "none" when the port cannot be reached
    const char* message;                    // as the user reads it; "" when nothing is said
    std::vector<std::string> opening = {};  // port accesses of the opening, after the load
    const char* listFailure = "";
    long codeIntegrity = -1;
    bool elevated = false;
};

class DriverPortFinderTest : public testing::TestWithParam<FindCase> {};

TEST_P(DriverPortFinderTest, ChoosesAListedPortOrSaysWhyWithTheFix) {
    const FindCase& machine = GetParam();
    FakePortDriver driver;
    driver.devices = machine.devices;
    driver.listFailure = machine.listFailure;
    driver.state = machine.state;
    driver.codeIntegrity = machine.codeIntegrity;
    driver.isElevated = machine.elevated;
    driver.registers[0x77A] = 0x74;  // ECP mode, its interrupts masked

    DriverPortFinder finder(driver, parseWindowsPortSetting(machine.setting, machine.force));
    const OpenedPort opened = finder.open(0x378);

    EXPECT_EQ(opened.channel != nullptr ? opened.channel->route() : "none", machine.route);
    EXPECT_EQ(opened.message.rfind("lptio: ", 0) == 0, *machine.message != '\0') << opened.message;
    EXPECT_THAT(opened.message, HasSubstr(machine.message));
    // The library is loaded before anything else, whatever comes of the run.
    std::vector<std::string> calls = {"load"};
    calls.insert(calls.end(), machine.opening.begin(), machine.opening.end());
    EXPECT_EQ(driver.calls, calls);
    EXPECT_EQ(opened.traceNote.empty(), calls.size() < 3) << opened.traceNote;
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
        // Two register blocks and no ECP block: the first is taken, the other one can be chosen.
        FindCase{"FirstOfTwoBlocks", nullptr, nullptr, TwoBlocks, State::Ready, "none",
                 "Windows lists LPT1 at 0xd010"},
        FindCase{"OtherOfTwoBlocks", "0xd000", nullptr, TwoBlocks, State::Ready,
                 "LPT1 at 0xd000 through inpoutx64.dll", ""},
        // The ECP block listed first does not become the base; the mode register is set.
        FindCase{"EcpBlockFirst",
                 nullptr,
                 nullptr,
                 Ecp,
                 State::Ready,
                 "LPT1 at 0x378 through inpoutx64.dll",
                 "",
                 {"in 0x77A", "out 0x77A 0x34"}},
        FindCase{"EcpBlockThroughWmi",
                 "LPT1",
                 nullptr,
                 EcpThroughWmi,
                 State::Ready,
                 "LPT1 at 0x378 through inpoutx64.dll",
                 "",
                 {"in 0x77A", "out 0x77A 0x34"}},
        FindCase{"EcpNotSetWhenDriverClosed", nullptr, nullptr, Ecp, State::DriverNotOpen, "none",
                 "not running"},
        FindCase{"WmiTimedOut", nullptr, nullptr, WmiTimedOut, State::Ready, "none",
                 "cannot be read (the I/O ranges of LPT1 are unknown: WMI did not answer in time "
                 "(0x00040004 WBEM_S_TIMEDOUT), so the list is incomplete); LPTIO_PORT=<base> "
                 "with LPTIO_FORCE_PORT=1"},
        FindCase{"WmiFailureInHex", nullptr, nullptr, WmiDenied, State::Ready, "none",
                 "the I/O ranges of LPT1 are unknown: WMI: 0x80041003 WBEM_E_ACCESS_DENIED"},
        FindCase{"ConfigManagerErrorNamed", "LPT3", nullptr, ConfigError, State::Ready, "none",
                 "the I/O ranges of LPT3 are unknown: the configuration manager answered "
                 "CR_NO_SUCH_VALUE (0x25)"},
        FindCase{"ForcedBase", "0xd000", "1", Card, State::Ready, "0xd000 through inpoutx64.dll",
                 "LPTIO_FORCE_PORT=1: using 0xd000, which Windows does not list as a parallel "
                 "port (it lists LPT1 at 0x378, LPT2 at 0xd010)"},
        FindCase{"ForcedOntoAnotherDevice", "0xd010", "1", Ecp, State::Ready, "none",
                 "0xd010 belongs to Motherboard resources (0xd000-0xd0ff) in Windows' device "
                 "lists: never used, even forced"},
        FindCase{"ForcedOntoAListedEcpPort",
                 "0x378",
                 "1",
                 Ecp,
                 State::Ready,
                 "LPT1 at 0x378 through inpoutx64.dll",
                 "",
                 {"in 0x77A", "out 0x77A 0x34"}},
        FindCase{"ForcedBesideAnEcpPort", "0xe000", "1", Ecp, State::Ready,
                 "0xe000 through inpoutx64.dll", "(it lists LPT1 at 0x378)"},
        FindCase{"ForcedSystemBoard", "0xcf8", "1", None, State::Ready, "none",
                 "0xcf8 belongs to the PCI configuration and reset registers"},
        FindCase{"ForcedFloppyController", "0x3f0", "1", None, State::Ready, "none",
                 "0x3f0 belongs to the floppy disk controller: never used"},
        FindCase{"ForcedTriggerMode", "0x4d0", "1", None, State::Ready, "none",
                 "0x4d0 belongs to the interrupt controllers' trigger mode registers"},
        FindCase{"ForcedWithOthersUnknown", "0xd010", "1", OthersUnknown, State::Ready,
                 "0xd010 through inpoutx64.dll",
                 "does not list as a parallel port (it lists none); the I/O ranges of PCI bus are "
                 "unknown"},
        FindCase{"NothingListed", nullptr, "0", None, State::Ready, "none",
                 "Windows lists no parallel port (a USB-to-parallel adapter has no I/O ports"},
        FindCase{"ListUnreadable",
                 nullptr,
                 nullptr,
                 None,
                 State::Ready,
                 "none",
                 "list of parallel ports cannot be read (device setup: Access denied)",
                 {},
                 "device setup: Access denied"},
        // The library's problem comes first: nothing works without it.
        FindCase{"LibraryMissing", nullptr, nullptr, None, State::LibraryMissing, "none",
                 "cannot reach the port at 0x378, reads give 0xFF: inpoutx64.dll is neither beside "
                 "io.dll nor in Windows' system folder: get the freeware InpOut32 package"},
        FindCase{"LibraryUnusable", nullptr, nullptr, Legacy, State::LibraryUnusable, "none",
                 "reads give 0xFF: inpoutx64.dll lacks Out32"},
        FindCase{"DriverNotOpen", nullptr, nullptr, CardOnly, State::DriverNotOpen, "none",
                 "not running: start a Command Prompt as administrator (right-click Command "
                 "Prompt, Run as administrator), set LPTIO_PORT there when the card is not at "
                 "0x378, and run flashtest.exe from it; that run installs the driver and later "
                 "runs need no Administrator. If it still does not start, Windows' vulnerable "
                 "driver blocklist may refuse it (Windows Security, Device security, Core "
                 "isolation details, Microsoft Vulnerable Driver Blocklist). Besides, no parallel "
                 "port at 0x378: Windows lists LPT1 at 0xd010"},
        FindCase{"DriverRefusedWhenElevated",
                 nullptr,
                 nullptr,
                 Legacy,
                 State::DriverNotOpen,
                 "none",
                 "did not start although this run is elevated: Windows' vulnerable driver "
                 "blocklist may refuse it",
                 {},
                 "",
                 0x1,
                 true},
        FindCase{"MemoryIntegrityRunning",
                 nullptr,
                 nullptr,
                 Legacy,
                 State::DriverNotOpen,
                 "none",
                 "Memory Integrity is running and refuses the port driver",
                 {},
                 "",
                 0x401},
        FindCase{"MemoryIntegrityAuditOnly",
                 nullptr,
                 nullptr,
                 Legacy,
                 State::DriverNotOpen,
                 "none",
                 "is not running: start a Command Prompt as administrator",
                 {},
                 "",
                 0x801},
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
    driver.devices = Card;
    PortAccess& port = access("LPT2");
    port.writeByte(0x378, 0x00);  // data direction still unknown: not checked
    port.writeByte(0x379, 0x00);  // read-only status: dropped
    port.writeByte(0x37A, 0x04);
    port.writeByte(0x378, 0x5A);
    port.writeByte(0x378, 0x5B);
    driver.registers[0xD011] = 0x78;
    EXPECT_EQ(port.readByte(0x379), 0x78);
    EXPECT_THAT(driver.calls,
                ElementsAre("load", "out 0xD010 0x00", "out 0xD012 0x04", "out 0xD010 0x5A",
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

    EXPECT_THAT(driver.calls, ElementsAre("load", "out 0xD002 0x24", "out 0xD000 0x01",
                                          "out 0xD002 0x04", "out 0xD000 0x01", "in 0xD000"));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_THAT(messages[1], HasSubstr("no answer: the data register read back 0xFF after 0x01 "
                                       "was written, so nothing at 0xd000 works as a parallel "
                                       "port"));
}

// A guessed base names the other blocks when nothing answers there.
TEST_F(DriverPortAccessTest, AGuessedBaseThatDoesNotAnswerNamesTheOtherRanges) {
    driver.devices = TwoBlocks;
    driver.floating = true;
    PortAccess& port = access("LPT1");
    port.writeByte(0x37A, 0x04);
    port.writeByte(0x378, 0x01);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(messages[0], HasSubstr("nothing at 0xd010 works as a parallel port (check its base "
                                       "in Device Manager, Ports, the port's Resources tab) (LPT1 "
                                       "has the I/O ranges 0xd010-0xd017, 0xd000-0xd007; "
                                       "LPTIO_PORT set to the first address of another one uses "
                                       "that one)"));
}

// The mode register is set before the opening reads the port, and the traces are told.
TEST_F(DriverPortAccessTest, TheModeRegisterIsSetBeforeTheFirstAccessAndTraced) {
    struct Notes : PortObserver {
        std::vector<std::string>& calls;
        explicit Notes(std::vector<std::string>& calls) : calls(calls) {}
        void portOpened(std::uint16_t, std::uint8_t, std::uint8_t, std::uint8_t) override {
            calls.push_back("opened");
        }
        void portWritten(std::uint16_t, std::uint8_t) override {}
        void portRead(std::uint16_t, std::uint8_t) override {}
        void portNoted(const std::string& text) override { calls.push_back("noted " + text); }
    } notes(driver.calls);
    driver.devices = Ecp;
    driver.registers[0x77A] = 0x15;  // SPP mode: the data lines cannot turn round
    PortAccess port(
        std::make_unique<DriverPortFinder>(driver, parseWindowsPortSetting(nullptr, nullptr)),
        nullptr, &notes);
    port.writeByte(0x378, 0x01);
    EXPECT_THAT(driver.calls,
                ElementsAre("load", "in 0x77A", "out 0x77A 0x35",
                            "noted LPT1's ECP mode register at 0x77a read 0x15 (mode 0): set to "
                            "0x35, PS/2 mode, so that the data register drives the lines; the "
                            "port stays so until Windows' own driver sets its mode for the next "
                            "print",
                            "in 0x378", "in 0x379", "in 0x37A", "opened", "out 0x378 0x01"));
}

struct RangesCase {
    const char* name;
    std::vector<IoRange> ranges;  // as Windows allocated them, in its order
    std::uint16_t base;           // 0: no base
    std::uint16_t modeRegister;   // 0: no ECP block
    bool guessed = false;
};

class PortBaseAmongRanges : public testing::TestWithParam<RangesCase> {};

TEST_P(PortBaseAmongRanges, IsTheRegisterBlockBelowItsEcpBlock) {
    ListedPort port;
    EXPECT_EQ(portBaseAmong(GetParam().ranges, port), GetParam().base != 0);
    EXPECT_EQ(port.base, GetParam().base);
    EXPECT_EQ(port.modeRegister, GetParam().modeRegister);
    EXPECT_EQ(port.baseGuessed, GetParam().guessed);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, PortBaseAmongRanges,
    testing::Values(RangesCase{"LegacyWithEcp", {{0x378, 0x37F}, {0x778, 0x77B}}, 0x378, 0x77A},
                    RangesCase{"EcpBlockFirst", {{0x778, 0x77F}, {0x378, 0x37F}}, 0x378, 0x77A},
                    RangesCase{"FourPortsWithEcp", {{0x7BC, 0x7BE}, {0x3BC, 0x3BF}}, 0x3BC, 0x7BE},
                    RangesCase{"PcieCard", {{0xD010, 0xD017}, {0xD000, 0xD007}}, 0xD010, 0, true},
                    RangesCase{
                        "ShortBlockFirst", {{0xE000, 0xE003}, {0xE010, 0xE017}}, 0xE010, 0, true},
                    RangesCase{"HighCard", {{0xFC00, 0xFC07}}, 0xFC00, 0},
                    RangesCase{"LegacyFourPorts", {{0x3BC, 0x3BF}}, 0x3BC, 0},
                    RangesCase{"NoIoPorts", {}, 0, 0},
                    RangesCase{"BeyondIoSpace", {{0x10000, 0x10007}, {0x2F8, 0x2F9}}, 0, 0}),
    [](const testing::TestParamInfo<RangesCase>& info) { return info.param.name; });

}  // namespace
