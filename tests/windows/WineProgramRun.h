// Runs a Windows build's flashtest.exe under Wine the way an operator starts it: from a folder
// that holds only the program and the io.dll under test. stdout is a pipe and stdin is
// /dev/null, as in CI. Settings come from the environment that ctest gives the tests, the same
// for either build.
#ifndef LPTFLASH_TESTS_WINDOWS_WINEPROGRAMRUN_H
#define LPTFLASH_TESTS_WINDOWS_WINEPROGRAMRUN_H

#include <map>
#include <string>
#include <vector>

#include "ProgramRun.h"

// The value of an environment variable; empty when unset.
std::string setting(const char* name);

// What the prefix's command processor shows for PAUSE when no key comes. Wine words it
// differently from Windows, so the tests take it from the command processor itself.
const std::string& pausePrompt();

// The program's stdout for these newline-ended lines: text mode turns each newline into CR LF,
// as in an operator's redirected output on Windows; the pause prompt comes after the last line.
std::string expectedOutput(const std::string& lines);

class OperatorFolder {
  public:
    // A fresh folder with flashtest.exe and, unless ioDll is empty, that library as io.dll.
    explicit OperatorFolder(const std::string& ioDll);

    // Starts flashtest.exe (or another program copied there, with arguments) under Wine with
    // this environment added.
    ProgramResult run(const std::map<std::string, std::string>& environment = {},
                      const std::vector<std::string>& command = {"flashtest.exe"}) const;

    // A file in the folder: the program's current folder, where the simulator keeps its chip.
    std::string file(const char* name) const { return folder.file(name); }

    // Puts a copy of from into the folder under that name.
    void copy(const std::string& from, const char* name) const;

  private:
    TemporaryFolder folder;
};

#endif
