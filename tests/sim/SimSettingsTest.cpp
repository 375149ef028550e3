#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "sim/SimSettings.h"

using sim::BoardKind;

namespace {

sim::SimSettings readFrom(const std::map<std::string, std::string>& variables,
                          std::vector<std::string>& problems) {
    return sim::readSimSettings(
        [&](const char* name) {
            const auto found = variables.find(name);
            return found != variables.end() ? found->second : std::string();
        },
        problems);
}

TEST(SimSettings, DefaultsAreKorvellaWithTheDefaultChipItsEraseTimeAndAnImageHere) {
    std::vector<std::string> problems;
    const sim::SimSettings settings = readFrom({}, problems);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(settings.board, BoardKind::Korvella);
    EXPECT_EQ(settings.chip, &sim::defaultChip());
    EXPECT_EQ(settings.eraseNs, std::int64_t{sim::defaultChip().eraseMs} * 1000000);
    EXPECT_EQ(settings.imagePath, std::string("lptio-sim-") + sim::defaultChip().name + ".img");
}

TEST(SimSettings, NamesIgnoreCaseAndTheImageFollowsTheChip) {
    std::vector<std::string> problems;
    const sim::SimSettings settings = readFrom({{"LPTIO_SIM_BOARD", "Velmar/REV3B"},
                                                {"LPTIO_SIM_CHIP", "am29f040b"},
                                                {"LPTIO_SIM_ERASE_MS", "0"}},
                                               problems);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(settings.board, BoardKind::Velmar);
    EXPECT_STREQ(settings.chip->name, "Am29F040B");
    EXPECT_EQ(settings.eraseNs, 0);
    EXPECT_EQ(settings.imagePath, "lptio-sim-Am29F040B.img");
}

TEST(SimSettings, TheImageAndTheEraseTimeAreTakenAsGiven) {
    std::vector<std::string> problems;
    const sim::SimSettings settings = readFrom(
        {{"LPTIO_SIM_IMAGE", "/some/where.img"}, {"LPTIO_SIM_ERASE_MS", "3600000"}}, problems);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(settings.imagePath, "/some/where.img");
    EXPECT_EQ(settings.eraseNs, 3600000LL * 1000000);
}

struct BadCase {
    const char* variable;
    const char* value;
    const char* accepted;  // part of the list of accepted values
};

void PrintTo(const BadCase& c, std::ostream* out) {
    *out << c.variable << "=" << c.value;
}

class SimSettingsBad : public testing::TestWithParam<BadCase> {};

TEST_P(SimSettingsBad, GiveOneMessageNamingVariableValueAndAcceptedValues) {
    std::vector<std::string> problems;
    readFrom({{GetParam().variable, GetParam().value}}, problems);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find(std::string(GetParam().variable) + "=\"" + GetParam().value + "\""),
              std::string::npos)
        << problems[0];
    EXPECT_NE(problems[0].find(std::string("accepted: ")), std::string::npos) << problems[0];
    EXPECT_NE(problems[0].find(GetParam().accepted), std::string::npos) << problems[0];
}

INSTANTIATE_TEST_SUITE_P(
    Values, SimSettingsBad,
    testing::Values(BadCase{"LPTIO_SIM_BOARD", "korvella", "korvella+, velmar/rev3b, none"},
                    BadCase{"LPTIO_SIM_CHIP", "S29GL999", "S29GL128P, MX29GL128F, Am29LV040B"},
                    BadCase{"LPTIO_SIM_ERASE_MS", "10s", "0 to 3600000"},
                    BadCase{"LPTIO_SIM_ERASE_MS", "-5", "0 to 3600000"},
                    BadCase{"LPTIO_SIM_ERASE_MS", "3600001", "0 to 3600000"},
                    BadCase{"LPTIO_SIM_ERASE_MS", "99999999999", "0 to 3600000"}));

}  // namespace
