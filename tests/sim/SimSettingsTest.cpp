// The settings a complete run cannot show: the chip's own erase time, and its limits.
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "sim/SimSettings.h"

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

TEST(SimSettings, TheEraseTimeAndTheImageFollowTheChipWhoseNameIgnoresCase) {
    std::vector<std::string> problems;
    const sim::SimSettings settings = readFrom({{"LPTIO_SIM_CHIP", "am29f040b"}}, problems);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(settings.eraseNs, 11000LL * 1000000);
    EXPECT_EQ(settings.imagePath, "lptio-sim-Am29F040B.img");
}

struct EraseCase {
    const char* name;
    const char* value;
    std::int64_t eraseNs;  // -1: refused
};

void PrintTo(const EraseCase& c, std::ostream* out) {
    *out << c.value;
}

class SimSettingsErase : public testing::TestWithParam<EraseCase> {};

TEST_P(SimSettingsErase, AcceptsWholeMillisecondsUpToAnHour) {
    std::vector<std::string> problems;
    const sim::SimSettings settings =
        readFrom({{"LPTIO_SIM_ERASE_MS", GetParam().value}}, problems);
    if (GetParam().eraseNs < 0) {
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_NE(problems[0].find("0 to 3600000"), std::string::npos) << problems[0];
    } else {
        EXPECT_TRUE(problems.empty());
        EXPECT_EQ(settings.eraseNs, GetParam().eraseNs);
    }
}

INSTANTIATE_TEST_SUITE_P(Values, SimSettingsErase,
                         testing::Values(EraseCase{"zero", "0", 0},
                                         EraseCase{"anHour", "3600000", 3600000LL * 1000000},
                                         EraseCase{"overAnHour", "3600001", -1},
                                         EraseCase{"negative", "-5", -1},
                                         EraseCase{"leadingZeros", "000000000001", 1000000},
                                         EraseCase{"overflowing", "99999999999", -1}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
