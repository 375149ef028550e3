// Private copies of a port library: loaded from their own file, with the environment they were
// given only while they load, and a clear reason when they cannot be loaded.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "ProgramRun.h"
#include "support/PrivatePortLibrary.h"

namespace {

class PrivatePortLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("LPTFLASH_BENCH_KEPT", "before", 1);
        setenv("LPTFLASH_BENCH_REMOVED", "before", 1);
        unsetenv("LPTFLASH_BENCH_ADDED");
    }
    void TearDown() override {
        unsetenv("LPTFLASH_BENCH_KEPT");
        unsetenv("LPTFLASH_BENCH_REMOVED");
        unsetenv("LPTFLASH_BENCH_ADDED");
    }

    TemporaryFolder folder;
};

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "<unset>";
}

TEST_F(PrivatePortLibraryTest, LoadsACopyAndPutsTheEnvironmentBack) {
    const PrivatePortLibrary library(NOOP_PORT_LIBRARY, folder.path(),
                                     {{"LPTFLASH_BENCH_KEPT", "during"},
                                      {"LPTFLASH_BENCH_REMOVED", ""},
                                      {"LPTFLASH_BENCH_ADDED", "during"}});
    ASSERT_EQ(library.problem(), "");
    EXPECT_NE(library.entries().portOut, nullptr);
    EXPECT_NE(library.entries().portIn, nullptr);
    EXPECT_TRUE(std::filesystem::exists(folder.file("libio.so")));
    EXPECT_EQ(variable("LPTFLASH_BENCH_KEPT"), "before");
    EXPECT_EQ(variable("LPTFLASH_BENCH_REMOVED"), "before");
    EXPECT_EQ(variable("LPTFLASH_BENCH_ADDED"), "<unset>");
}

TEST_F(PrivatePortLibraryTest, NamesTheFileItCouldNotCopy) {
    const PrivatePortLibrary library(folder.file("missing.so"), folder.path(),
                                     {{"LPTFLASH_BENCH_ADDED", "during"}});
    EXPECT_NE(library.problem().find("missing.so"), std::string::npos) << library.problem();
    EXPECT_EQ(library.entries().portOut, nullptr);
    EXPECT_EQ(variable("LPTFLASH_BENCH_ADDED"), "<unset>");
}

TEST_F(PrivatePortLibraryTest, SaysWhenTheFileIsNoLibrary) {
    writeWholeFile(folder.file("text.so"), "not a library");
    TemporaryFolder copies;
    const PrivatePortLibrary library(folder.file("text.so"), copies.path(), {});
    EXPECT_NE(library.problem(), "");
    EXPECT_EQ(library.entries().portIn, nullptr);
}

}  // namespace
