#include "app/TestRun.h"

#include <gtest/gtest.h>

#include <string>

#include "RecordingDriver.h"
#include "SampleChip.h"
#include "StdoutCapture.h"

namespace {

void answerChip(RecordingDriver& driver) {
    driver.shiftInAnswers.assign(sampleChipBytes.begin(), sampleChipBytes.end());
}

const char* const report = sampleChipReport;

struct DetectionOutcome {
    const char* name;
    std::int32_t detectResult;
    int exitCode;
    std::string output;
};

class TestSequenceTest : public ::testing::TestWithParam<DetectionOutcome> {};

TEST_P(TestSequenceTest, PrintsTheDetectionLineAndGoesOnOnlyForAnAdapter) {
    const DetectionOutcome& outcome = GetParam();
    RecordingDriver driver;
    driver.detectResult = outcome.detectResult;
    answerChip(driver);
    StdoutCapture capture;
    EXPECT_EQ(runTestSequence(&driver), outcome.exitCode);
    EXPECT_EQ(capture.all(), outcome.output);
    const bool reported = outcome.exitCode == 0;
    EXPECT_EQ(driver.calls.size() > 1, reported);  // nothing but the probe after a failure
    EXPECT_EQ(driver.calls.front(), "detect");
}

INSTANTIATE_TEST_SUITE_P(
    TestRun, TestSequenceTest,
    ::testing::Values(
        DetectionOutcome{"LibraryNotUsable", -1, 1, "IO driver not initialized !\n"},
        DetectionOutcome{"NoAdapter", 0, 1, "H/W check failed !\n"},
        DetectionOutcome{"Velmar", 1, 0, std::string("Velmar/rev3b detected !\n") + report},
        DetectionOutcome{"Korvella", 2, 0, std::string("Korvella+ detected !\n") + report},
        DetectionOutcome{"UnknownAnswer", 7, 0, report},
        DetectionOutcome{"NegativeAnswer", -2, 0, report}),
    [](const auto& info) { return std::string(info.param.name); });

struct WordFormat {
    std::uint8_t low, high;
    const char* line;
};

class WordFormatTest : public ::testing::TestWithParam<WordFormat> {};

TEST_P(WordFormatTest, ReadLinePrintsTheWholeWordWithAtLeastTwoDigits) {
    RecordingDriver driver;
    driver.shiftInAnswers = {GetParam().low, GetParam().high, 0x04, 0x0F, 0, 0, 0, 0};
    StdoutCapture capture;
    runTestSequence(&driver);
    const std::string output = capture.all();
    EXPECT_EQ(output.substr(0, output.find('\n', output.find('\n') + 1) + 1),
              std::string("Korvella+ detected !\n") + GetParam().line);
    EXPECT_NE(output.find("#ID:  [MAN]=0x04; [DEV]=0x0F\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(TestRun, WordFormatTest,
                         ::testing::Values(WordFormat{0xFF, 0x00, "#READ:[00]=0xFF\n"},
                                           WordFormat{0x00, 0x00, "#READ:[00]=0x00\n"},
                                           WordFormat{0x00, 0x01, "#READ:[00]=0x100\n"},
                                           WordFormat{0x34, 0x12, "#READ:[00]=0x1234\n"},
                                           WordFormat{0xFF, 0xFF, "#READ:[00]=0xFFFF\n"}),
                         [](const auto& info) {
                             return "Word" + std::to_string(info.param.high * 256 + info.param.low);
                         });

TEST(TestRun, CompleteRunEndsTheAccessWithoutTouchingTheDriverAfterwards) {
    RecordingDriver driver;
    answerChip(driver);
    StdoutCapture capture;
    runTestSequence(&driver);
    // The erase ends the access; destroying the chip adds no call.
    const std::vector<std::string> lastCalls(driver.calls.end() - 3, driver.calls.end());
    EXPECT_EQ(lastCalls, (std::vector<std::string>{"control 0209", "delay 10", "control 0400"}));
}

}  // namespace
