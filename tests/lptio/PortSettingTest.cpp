#include "lptio/PortSetting.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

namespace {

using testing::EndsWith;
using testing::HasSubstr;
using testing::StartsWith;

// Test names from the values: letters and digits kept, the rest "_".
std::string nameOf(std::size_t index, const char* value) {
    std::string name = "v" + std::to_string(index) + "_";
    for (const char* c = value; c != nullptr && *c != '\0'; ++c) {
        name += std::isalnum(static_cast<unsigned char>(*c)) != 0 ? *c : '_';
    }
    return name;
}

using Kind = PortSetting::Kind;

struct SettingCase {
    const char* value;
    Kind kind;
    const char* device;
    std::uint16_t base;
};

class PortSettingValues : public testing::TestWithParam<SettingCase> {};

TEST_P(PortSettingValues, AreReadAsDeviceOrBaseAddress) {
    const SettingCase& expected = GetParam();
    const PortSetting setting = parsePortSetting(expected.value);
    EXPECT_EQ(setting.kind, expected.kind);
    EXPECT_EQ(setting.device, expected.device);
    EXPECT_EQ(setting.base, expected.base);
}

INSTANTIATE_TEST_SUITE_P(
    LptioPort, PortSettingValues,
    testing::Values(SettingCase{nullptr, Kind::Unset, "", 0}, SettingCase{"", Kind::Unset, "", 0},
                    SettingCase{"/dev/parports/0", Kind::Device, "/dev/parports/0", 0},
                    SettingCase{"parport2", Kind::Device, "/dev/parport2", 0},
                    SettingCase{"0XD010", Kind::Address, "", 0xD010},
                    SettingCase{"53264", Kind::Address, "", 0xD010},
                    SettingCase{"0xfffc", Kind::Address, "", 0xFFFC},
                    SettingCase{"000888", Kind::Address, "", 0x378},
                    SettingCase{"0x0378", Kind::Address, "", 0x378}),
    [](const testing::TestParamInfo<SettingCase>& info) {
        return nameOf(info.index, info.param.value);
    });

struct BadCase {
    const char* value;
    const char* problem;
};

class BadPortSettings : public testing::TestWithParam<BadCase> {};

TEST_P(BadPortSettings, AreRefusedWithTheValueTheReasonAndTheAcceptedForms) {
    const std::string value = GetParam().value;
    const PortSetting setting = parsePortSetting(GetParam().value);
    EXPECT_EQ(setting.kind, Kind::Invalid);
    // Control bytes are echoed escaped, which is not this parser's business.
    const bool printable = std::all_of(value.begin(), value.end(),
                                       [](unsigned char c) { return std::isprint(c) != 0; });
    EXPECT_THAT(setting.problem,
                StartsWith("lptio: LPTIO_PORT=\"" + (printable ? value + "\": " : "")));
    EXPECT_THAT(setting.problem, HasSubstr(std::string("\": ") + GetParam().problem + "; "));
    EXPECT_THAT(setting.problem, EndsWith("accepted: a ppdev device (/dev/parport1 or parport1) or "
                                          "a base address (0xd010 or 53264)"));
}

constexpr const char* NoPort = "not a parallel port";
constexpr const char* NoBase = "not a port base (a multiple of 4 from 0x100 to 0xfffc)";
constexpr const char* Blank = "blank characters around the value";

// Bases are hexadecimal with 0x or decimal; "378" and "0378" are what BIOS screens show.
INSTANTIATE_TEST_SUITE_P(
    LptioPort, BadPortSettings,
    testing::Values(
        BadCase{"lpt1", NoPort}, BadCase{"0x", NoPort}, BadCase{"0", NoBase},
        BadCase{"0x0", NoBase}, BadCase{"65536", NoBase}, BadCase{"0x10000", NoBase},
        BadCase{"-888", NoPort}, BadCase{" 888", Blank}, BadCase{"888 ", Blank},
        BadCase{"\t888", Blank}, BadCase{"0x378\n", Blank}, BadCase{"0x37g", NoPort},
        BadCase{"parport", NoPort}, BadCase{"99999999999999999999999", NoBase},
        BadCase{"0xcf7", NoBase}, BadCase{"0x6f", NoBase}, BadCase{"0xffff", NoBase},
        BadCase{"0x6c", NoBase},
        BadCase{"378", "read as decimal it is no port base; did you mean 0x378?"},
        BadCase{"0378", "read as decimal it is no port base; did you mean 0x378?"},
        BadCase{"278", "read as decimal it is no port base; did you mean 0x278?"},
        BadCase{"3BC", "not a decimal number; did you mean 0x3BC?"},
        BadCase{"/dev/lp0", "the printer driver's node, not a ppdev device; use /dev/parport0"},
        BadCase{"lp1", "the printer driver's node, not a ppdev device; use /dev/parport1"},
        BadCase{"/dev/parport0\x1b[2J", "control or non-ASCII characters in the value"},
        BadCase{"/dev/parport0\xc3\xa9", "control or non-ASCII characters in the value"}),
    [](const testing::TestParamInfo<BadCase>& info) {
        return nameOf(info.index, info.param.value);
    });

TEST(PortSetting, DirectIoIsOnOnlyWhenSetTo1) {
    EXPECT_FALSE(parsePortSetting(nullptr).directIo);
    EXPECT_FALSE(parsePortSetting("0x378", "0").directIo);
    EXPECT_TRUE(parsePortSetting("0x378", "1").directIo);
    const PortSetting bad = parsePortSetting(nullptr, "yes");
    EXPECT_EQ(bad.kind, Kind::Invalid);
    EXPECT_THAT(bad.problem,
                StartsWith("lptio: LPTIO_DIRECT_IO=\"yes\": not a switch; accepted: 1"));
    EXPECT_EQ(parsePortSetting("0x378", " 1").kind, Kind::Invalid);
}

TEST(PortSetting, ADevicePathTooLongToEchoIsRefused) {
    EXPECT_EQ(parsePortSetting(("/dev/" + std::string(250, 'p')).c_str()).kind, Kind::Device);
    EXPECT_THAT(parsePortSetting(("/dev/" + std::string(251, 'p')).c_str()).problem,
                HasSubstr("longer than 255 characters"));
}

TEST(PortSetting, OtherBadSettingsKeepTheLibraryOffThePort) {
    PortSetting setting = parsePortSetting("parport1");
    refuseOnProblems(setting, {"lptio: A", "lptio: B"});
    EXPECT_EQ(setting.kind, Kind::Invalid);
    EXPECT_EQ(setting.problem, "lptio: A\nlptio: B");
}

}  // namespace
