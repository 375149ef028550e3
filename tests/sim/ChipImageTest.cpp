// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
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

// Images a save could never replace are refused when loaded, not at every erase; others load
// and save, again and again (a long-lived user of the library saves more than once a run).
struct Placed {
    const char* name;
    std::string file;         // the image's name in the folder
    const char* otherName;    // a hard link made to it, or null
    const char* refusedWith;  // null: loads and saves
    int saves = 2;
};

class ChipImagePlaced : public testing::TestWithParam<Placed> {};

TEST_P(ChipImagePlaced, IsRefusedAtLoadOrSavesEveryTime) {
    const Placed& placed = GetParam();
    TemporaryFolder folder("/dev/shm");  // where a thousand syncs cost nothing
    const std::string path = folder.file(placed.file);
    writeWholeFile(path, "abcd");
    if (placed.otherName != nullptr) {
        ASSERT_EQ(link(path.c_str(), folder.file(placed.otherName).c_str()), 0);
    }
    sim::ChipImage image;
    std::vector<std::uint8_t> contents;
    std::string problem;
    const bool loaded = image.load(path, 4, contents, problem);
    if (placed.refusedWith != nullptr) {
        EXPECT_FALSE(loaded);
        EXPECT_NE(problem.find(placed.refusedWith), std::string::npos) << problem;
        EXPECT_EQ(readWholeFile(path), "abcd");
        return;
    }
    ASSERT_TRUE(loaded) << problem;
    for (int save = 0; save < placed.saves; ++save) {
        contents[0] = static_cast<std::uint8_t>(save);
        ASSERT_TRUE(image.save(contents, problem)) << "save " << save << ": " << problem;
    }
    EXPECT_EQ(readWholeFile(path), std::string(1, static_cast<char>(placed.saves - 1)) + "bcd");
}

// A program writes its byte into the image at the path, never a new file, also after an erase
// replaced the file the run locked; a run killed right after the program keeps the byte.
TEST(ChipImage, ProgramsWriteInPlaceAndSurviveAKill) {
    TemporaryFolder folder;
    const std::string path = folder.file("chip.img");
    writeWholeFile(path, "abcd");
    // A file replaced at the path loses its name (inode numbers may come back; a link count not).
    const auto stillThere = [](int held) {
        struct stat file {};
        return fstat(held, &file) == 0 && file.st_nlink == 1;
    };
    const pid_t child = fork();
    if (child == 0) {
        sim::ChipImage image;
        std::vector<std::uint8_t> contents;
        std::string problem;
        const int loaded = open(path.c_str(), O_RDONLY);
        bool kept = image.load(path, 4, contents, problem);
        contents = {'w', 'x', 'y', 'z'};  // the erase: a new file
        kept = kept && image.save(contents, problem) && !stillThere(loaded);
        const int erased = open(path.c_str(), O_RDONLY);
        contents[1] = 'B';
        contents[3] = 'D';
        kept = kept && image.program(contents, 1, problem) && image.program(contents, 3, problem) &&
               stillThere(erased);
        if (kept) {
            raise(SIGKILL);
        }
        std::fprintf(stderr, "not kept in place: %s\n", problem.c_str());
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    EXPECT_EQ(readWholeFile(path), "wByD");
}

INSTANTIATE_TEST_SUITE_P(
    Images, ChipImagePlaced,
    testing::Values(Placed{"Plain", "chip.img", nullptr, nullptr, 1001},
                    // Its temporary name would pass the folder's limit of 255 bytes.
                    Placed{"NameOf245Characters", std::string(241, 'n') + ".img", nullptr, nullptr},
                    Placed{"HardLinked", "chip.img", "twin.img", "other names (hard links)"}),
    [](const testing::TestParamInfo<Placed>& info) { return info.param.name; });

}  // namespace
