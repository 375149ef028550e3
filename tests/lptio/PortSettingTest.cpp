#include "lptio/PortSetting.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>

namespace {

using testing::EndsWith;
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
    const char* device = "";
    std::uint16_t base = 0;
};

class PortSettingValues : public testing::TestWithParam<SettingCase> {};

TEST_P(PortSettingValues, AreReadOrRefused) {
    const SettingCase& expected = GetParam();
    const PortSetting setting = parsePortSetting(expected.value);
    EXPECT_EQ(setting.kind, expected.kind);
    EXPECT_EQ(setting.device, expected.device);
    EXPECT_EQ(setting.base, expected.base);
    if (expected.kind == Kind::Invalid) {
        EXPECT_THAT(setting.problem,
                    StartsWith(std::string("lptio: LPTIO_PORT=\"") + expected.value + "\": "));
        EXPECT_THAT(setting.problem,
                    EndsWith("accepted: a ppdev device (/dev/parport1 or parport1) or "
                             "a base address (0xd010 or 53264)"));
    }
}

// "0378" could be meant as hexadecimal or octal: neither is guessed.
INSTANTIATE_TEST_SUITE_P(
    LptioPort, PortSettingValues,
    testing::Values(SettingCase{nullptr, Kind::Unset}, SettingCase{"", Kind::Unset},
                    SettingCase{"/dev/parports/0", Kind::Device, "/dev/parports/0"},
                    SettingCase{"parport2", Kind::Device, "/dev/parport2"},
                    SettingCase{"0XD010", Kind::Address, "", 0xD010},
                    SettingCase{"53264", Kind::Address, "", 0xD010},
                    SettingCase{"0xffff", Kind::Address, "", 0xFFFF},
                    SettingCase{"lpt1", Kind::Invalid}, SettingCase{"0x", Kind::Invalid},
                    SettingCase{"0", Kind::Invalid}, SettingCase{"0x0", Kind::Invalid},
                    SettingCase{"0378", Kind::Invalid}, SettingCase{"65536", Kind::Invalid},
                    SettingCase{"0x10000", Kind::Invalid}, SettingCase{"-888", Kind::Invalid},
                    SettingCase{" 888", Kind::Invalid}, SettingCase{"888 ", Kind::Invalid},
                    SettingCase{"0x37g", Kind::Invalid}, SettingCase{"parport", Kind::Invalid},
                    SettingCase{"99999999999999999999999", Kind::Invalid}),
    [](const testing::TestParamInfo<SettingCase>& info) {
        return nameOf(info.index, info.param.value);
    });

TEST(PortSetting, OtherBadSettingsKeepTheLibraryOffThePort) {
    PortSetting setting = parsePortSetting("parport1");
    refuseOnProblems(setting, {"lptio: A", "lptio: B"});
    EXPECT_EQ(setting.kind, Kind::Invalid);
    EXPECT_EQ(setting.problem, "lptio: A\nlptio: B");
}

}  // namespace
