// SPDX-License-Identifier: MIT
#include "hardware/PortSetting.h"

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

// A value and what it is read as: "unset", "device <path>", "base <address>", or the reason
// it is refused.
struct SettingCase {
    const char* value;
    std::string reading;
};

std::string readingOf(const PortSetting& setting) {
    switch (setting.kind) {
        case Kind::Unset:
            return "unset";
        case Kind::Device:
            return "device " + setting.device;
        case Kind::Address:
            return "base " + std::to_string(setting.base);
        case Kind::Invalid:
            break;
    }
    return "refused";
}

class PortSettingValues : public testing::TestWithParam<SettingCase> {};

TEST_P(PortSettingValues, AreReadOrRefusedWithTheValueTheReasonAndTheAcceptedForms) {
    const PortSetting setting = parsePortSetting(GetParam().value);
    if (setting.kind != Kind::Invalid) {
        EXPECT_EQ(readingOf(setting), GetParam().reading);
        return;
    }
    const std::string value = GetParam().value != nullptr ? GetParam().value : "";
    // Control bytes are echoed escaped, which is not this parser's business.
    const bool printable = std::all_of(value.begin(), value.end(),
                                       [](unsigned char c) { return std::isprint(c) != 0; });
    EXPECT_THAT(setting.problem,
                StartsWith("lptio: LPTIO_PORT=\"" + (printable ? value + "\": " : "")));
    EXPECT_THAT(setting.problem, HasSubstr("\": " + GetParam().reading + "; "));
    EXPECT_THAT(setting.problem, EndsWith("accepted: a ppdev device (/dev/parport1 or parport1), "
                                          "LPT1, LPT2, ... (/dev/parport0, /dev/parport1, ...) "
                                          "or a base address (0xd010 or 53264)"));
}

constexpr const char* NoPort = "not a parallel port";
constexpr const char* NoBase = "not a port base (a multiple of 4 from 0x100 to 0xfffc)";
constexpr const char* Blank = "blank characters around the value";

// Bases are hexadecimal with 0x or decimal; "378" and "0378" are what BIOS screens show.
INSTANTIATE_TEST_SUITE_P(
    LptioPort, PortSettingValues,
    testing::Values(
        SettingCase{nullptr, "unset"}, SettingCase{"", "unset"},
        SettingCase{"/dev/parports/0", "device /dev/parports/0"},
        SettingCase{"parport2", "device /dev/parport2"}, SettingCase{"0XD010", "base 53264"},
        SettingCase{"53264", "base 53264"}, SettingCase{"0xfffc", "base 65532"},
        SettingCase{"000888", "base 888"}, SettingCase{"0x0378", "base 888"},
        SettingCase{"LPT1", "device /dev/parport0"}, SettingCase{"lpt3", "device /dev/parport2"},
        SettingCase{"LPT0", "ports count from LPT1 (/dev/parport0)"},
        SettingCase{"LPT1234", NoPort}, SettingCase{"LPT", NoPort}, SettingCase{"L", NoPort},
        SettingCase{"0x", NoPort}, SettingCase{"0", NoBase}, SettingCase{"0x0", NoBase},
        SettingCase{"65536", NoBase}, SettingCase{"0x10000", NoBase}, SettingCase{"-888", NoPort},
        SettingCase{" 888", Blank}, SettingCase{"888 ", Blank}, SettingCase{"\t888", Blank},
        SettingCase{"0x378\n", Blank}, SettingCase{"0x37g", NoPort}, SettingCase{"parport", NoPort},
        SettingCase{"99999999999999999999999", NoBase}, SettingCase{"0xcf7", NoBase},
        SettingCase{"0x6f", NoBase}, SettingCase{"0xffff", NoBase}, SettingCase{"0x6c", NoBase},
        SettingCase{"378", "read as decimal it is no port base; did you mean 0x378?"},
        SettingCase{"0378", "read as decimal it is no port base; did you mean 0x378?"},
        SettingCase{"278", "read as decimal it is no port base; did you mean 0x278?"},
        SettingCase{"3BC", "not a decimal number; did you mean 0x3BC?"},
        SettingCase{"/dev/lp0", "the printer driver's node, not a ppdev device; use /dev/parport0"},
        SettingCase{"lp1", "the printer driver's node, not a ppdev device; use /dev/parport1"},
        SettingCase{"/dev/parport0\x1b[2J", "control or non-ASCII characters in the value"},
        SettingCase{"/dev/parport0\xc3\xa9", "control or non-ASCII characters in the value"}),
    [](const testing::TestParamInfo<SettingCase>& info) {
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
