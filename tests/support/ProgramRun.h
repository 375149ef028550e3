// Runs a program the way an operator would, with extra environment, and collects what it did.
#ifndef LPTFLASH_TESTS_SUPPORT_PROGRAMRUN_H
#define LPTFLASH_TESTS_SUPPORT_PROGRAMRUN_H

#include <map>
#include <string>
#include <vector>

struct ProgramResult {
    int exitCode = -1;  // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

struct ProgramRun {
    std::string program;
    std::vector<std::string> arguments;
    // Added to (or replacing in) the test's own environment; an empty value removes the name.
    std::map<std::string, std::string> environment;
    std::string workingDirectory;   // empty: the test's own
    std::string input;              // written to stdin, which is then closed
    bool stdoutReaderGone = false;  // stdout is a pipe whose reader has already closed it
};

ProgramResult runProgram(const ProgramRun& run);

// The port I/O library that a run of flashtest finds beside it.
enum class PortLibrary {
    None,
    Scripted,  // records each access in SCRIPTIO_LOG, answers status reads from SCRIPTIO_STATUS
    WithoutIsDriverInstalled,  // the scripted library lacking one entry point
    WithoutPortOut,
    NotALibrary,  // a file of that name that the loader refuses
    Simulator,
    RealPort,
};

// A fresh empty folder below the system's temporary folder, removed with everything in it when
// the object goes away.
class TemporaryFolder {
  public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::string& path() const { return folder; }
    std::string file(const std::string& name) const { return folder + "/" + name; }

  private:
    std::string folder;
};

// Runs a copy of flashtest from the folder, with the library beside it as an operator installs
// them, on the sped-up clock. Every LPTIO_ and SCRIPTIO_ variable not in settings is removed.
// With a shell script, the shell runs it and the script starts the program (exec "$0").
ProgramResult runFlashtest(const TemporaryFolder& folder, PortLibrary library,
                           const std::map<std::string, std::string>& settings,
                           bool stdoutReaderGone = false, const char* shellScript = nullptr);

std::string readWholeFile(const std::string& path);
void writeWholeFile(const std::string& path, const std::string& contents);

#endif
