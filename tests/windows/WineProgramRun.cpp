#include "WineProgramRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

ProgramResult runUnderWine(const std::string& folder, const std::vector<std::string>& command,
                           const std::map<std::string, std::string>& environment) {
    ProgramRun run;
    run.program = "/bin/sh";
    // The clock preload goes to Wine's loader only, which may be of another bitness than sh.
    run.arguments = {"-c", "LD_PRELOAD=\"$LPTFLASH_WINE_PRELOAD\" exec \"$0\" \"$@\" </dev/null",
                     setting("LPTFLASH_WINE")};
    run.arguments.insert(run.arguments.end(), command.begin(), command.end());
    run.environment = environment;
    run.workingDirectory = folder;
    return runProgram(run);
}

}  // namespace

std::string setting(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

const std::string& pausePrompt() {
    static const std::string prompt = runUnderWine(".", {"cmd.exe", "/c", "PAUSE"}, {}).out;
    return prompt;
}

std::string expectedOutput(const std::string& lines) {
    std::string text;
    for (char c : lines) {
        text += c == '\n' ? "\r\n" : std::string(1, c);
    }
    return text + pausePrompt();
}

OperatorFolder::OperatorFolder(const std::string& ioDll) {
    copy(setting("LPTFLASH_WINDOWS_PROGRAM"), "flashtest.exe");
    if (!ioDll.empty()) {
        copy(ioDll, "io.dll");
    }
}

ProgramResult OperatorFolder::run(const std::map<std::string, std::string>& environment,
                                  const std::vector<std::string>& command) const {
    return runUnderWine(folder.path(), command, environment);
}

void OperatorFolder::copy(const std::string& from, const char* name) const {
    std::error_code error;
    std::filesystem::copy_file(from, folder.file(name), error);
    EXPECT_FALSE(error) << "copying " << from << ": " << error.message();
}
