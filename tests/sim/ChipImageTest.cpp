#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ProgramRun.h"
#include "sim/ChipImage.h"

namespace {

// A complete run only ever meets an image smaller than its chip; a bigger one must not load either.
TEST(ChipImage, RefusesAndKeepsAFileOfAnotherSize) {
    TemporaryFolder folder;
    for (const std::string kept : {"abc", "abcde"}) {
        writeWholeFile(folder.file("chip.img"), kept);
        std::vector<std::uint8_t> contents;
        std::string problem;
        EXPECT_FALSE(sim::ChipImage().load(folder.file("chip.img"), 4, contents, problem));
        EXPECT_NE(problem.find(std::to_string(kept.size()) + " bytes instead of 4"),
                  std::string::npos)
            << problem;
        EXPECT_EQ(readWholeFile(folder.file("chip.img")), kept);
    }
}

}  // namespace
