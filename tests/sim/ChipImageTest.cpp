#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ProgramRun.h"
#include "sim/ChipImage.h"

namespace {

std::string asText(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(ChipImage, AMissingFileStartsWithTheFreshPatternAndIsCreated) {
    TemporaryFolder folder;
    std::vector<std::uint8_t> contents;
    std::string problem;
    ASSERT_TRUE(sim::loadChipImage(folder.file("chip.img"), 25, contents, problem)) << problem;
    EXPECT_EQ(asText(contents), "LPTIO SIM LPTIO SIM LPTIO");
    EXPECT_EQ(readWholeFile(folder.file("chip.img")), asText(contents));
}

TEST(ChipImage, LoadsAFileOfTheChipsSize) {
    TemporaryFolder folder;
    writeWholeFile(folder.file("chip.img"), "abcd");
    std::vector<std::uint8_t> contents;
    std::string problem;
    ASSERT_TRUE(sim::loadChipImage(folder.file("chip.img"), 4, contents, problem)) << problem;
    EXPECT_EQ(asText(contents), "abcd");
}

TEST(ChipImage, RefusesAndKeepsAFileOfAnotherSize) {
    TemporaryFolder folder;
    writeWholeFile(folder.file("chip.img"), "abc");
    std::vector<std::uint8_t> contents;
    std::string problem;
    EXPECT_FALSE(sim::loadChipImage(folder.file("chip.img"), 4, contents, problem));
    EXPECT_NE(problem.find("3 bytes instead of 4"), std::string::npos) << problem;
    EXPECT_EQ(readWholeFile(folder.file("chip.img")), "abc");
}

TEST(ChipImage, RefusesSomethingThatIsNotAFile) {
    TemporaryFolder folder;
    std::filesystem::create_directory(folder.file("chip.img"));
    std::vector<std::uint8_t> contents;
    std::string problem;
    EXPECT_FALSE(sim::loadChipImage(folder.file("chip.img"), 4, contents, problem));
    EXPECT_TRUE(std::filesystem::is_directory(folder.file("chip.img")));
}

TEST(ChipImage, ANewFileInAMissingFolderIsAProblem) {
    TemporaryFolder folder;
    std::vector<std::uint8_t> contents;
    std::string problem;
    EXPECT_FALSE(sim::loadChipImage(folder.file("no/chip.img"), 4, contents, problem));
    EXPECT_FALSE(problem.empty());
}

TEST(ChipImage, SavingReplacesTheWholeFileAndLeavesNothingBeside) {
    TemporaryFolder folder;
    writeWholeFile(folder.file("chip.img"), "old contents");
    std::string problem;
    ASSERT_TRUE(sim::saveChipImage(folder.file("chip.img"), {'n', 'e', 'w'}, problem)) << problem;
    EXPECT_EQ(readWholeFile(folder.file("chip.img")), "new");
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        ++files;
    }
    EXPECT_EQ(files, 1);
}

}  // namespace
