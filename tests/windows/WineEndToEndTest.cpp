// flashtest.exe under Wine, run from a folder that holds only the program and the io.dll under
// test, as a Windows operator has it; stdout is a pipe and stdin is /dev/null, as in CI.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "ProgramRun.h"

namespace {

std::string setting(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

ProgramResult runUnderWine(const std::string& folder, const std::vector<std::string>& command,
                           const std::map<std::string, std::string>& environment = {}) {
    ProgramRun run;
    run.program = "/bin/sh";
    run.arguments = {"-c", "exec \"$0\" \"$@\" </dev/null", setting("LPTFLASH_WINE")};
    run.arguments.insert(run.arguments.end(), command.begin(), command.end());
    run.environment = environment;
    run.workingDirectory = folder;
    return runProgram(run);
}

// What the prefix's command processor shows for PAUSE when no key comes. Wine words it
// differently from Windows, so the tests take it from the command processor itself.
const std::string& pausePrompt() {
    static const std::string prompt = runUnderWine(".", {"cmd.exe", "/c", "PAUSE"}).out;
    return prompt;
}

// The program's lines as they reach a pipe: stdout is in text mode, so each newline is CR LF,
// as an operator's redirected output on Windows has it. The pause prompt follows them.
std::string expectedOutput(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) {
        text += line;
        text += "\r\n";
    }
    return text + pausePrompt();
}

// A fresh folder with flashtest.exe and, unless ioDll is empty, that library as io.dll.
class OperatorFolder {
  public:
    explicit OperatorFolder(const std::string& ioDll) {
        copy(setting("LPTFLASH_WINDOWS_PROGRAM"), "flashtest.exe");
        if (!ioDll.empty()) {
            copy(ioDll, "io.dll");
        }
    }
    ProgramResult runProgram(const std::map<std::string, std::string>& environment = {}) const {
        return runUnderWine(folder.path(), {"flashtest.exe"}, environment);
    }

  private:
    void copy(const std::string& from, const char* name) const {
        std::error_code error;
        std::filesystem::copy_file(from, folder.file(name), error);
        EXPECT_FALSE(error) << "copying " << from << ": " << error.message();
    }

    TemporaryFolder folder;
};

class WineEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(setting("LPTFLASH_WINE").empty()) << "run through ctest";
        // Guards every exact comparison below against a command processor that never ran.
        ASSERT_NE(pausePrompt().find("Press any key"), std::string::npos) << pausePrompt();
    }
};

TEST_F(WineEndToEnd, WithoutIoLibraryTheDriverIsNotInitialized) {
    const ProgramResult result = OperatorFolder("").runProgram();
    EXPECT_EQ(result.out, expectedOutput({"IO driver not initialized !"})) << result.err;
    EXPECT_EQ(result.exitCode, 1);
}

TEST_F(WineEndToEnd, IoLibraryWithoutIsDriverInstalledIsNotUsedAtAll) {
    const OperatorFolder folder(setting("LPTFLASH_WINDOWS_WITHOUT_PRESENCE_TEST"));
    const ProgramResult result = folder.runProgram();
    EXPECT_EQ(result.out, expectedOutput({"IO driver not initialized !"})) << result.err;
    EXPECT_EQ(result.exitCode, 1);
    // The library reports every entry point that is called: none may be.
    EXPECT_EQ(result.err.find("called on port"), std::string::npos) << result.err;
}

TEST_F(WineEndToEnd, SimulatorWithoutAdapterFailsTheHardwareCheck) {
    const OperatorFolder folder(setting("LPTFLASH_WINDOWS_SIMULATOR"));
    const ProgramResult result = folder.runProgram({{"LPTIO_SIM_BOARD", "none"}});
    EXPECT_EQ(result.out, expectedOutput({"H/W check failed !"})) << result.err;
    EXPECT_EQ(result.exitCode, 1);
}

}  // namespace
