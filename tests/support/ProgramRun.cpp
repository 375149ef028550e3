#include "ProgramRun.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace {

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (auto& text : strings) {
        result.push_back(text.data());
    }
    result.push_back(nullptr);
    return result;
}

}  // namespace

ProgramResult runProgram(const ProgramRun& run) {
    TemporaryFolder errors;  // stderr goes to a file: only stdout needs to be a pipe
    int inPipe[2], outPipe[2];
    if (pipe(inPipe) != 0 || pipe(outPipe) != 0) {
        return {};
    }
    std::vector<std::string> argv{run.program};
    argv.insert(argv.end(), run.arguments.begin(), run.arguments.end());
    std::vector<char*> argvPointers = pointers(argv);

    const pid_t child = fork();
    if (child == 0) {
        const int errorFile = open(errors.file("err").c_str(), O_WRONLY | O_CREAT, 0600);
        dup2(inPipe[0], STDIN_FILENO);
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errorFile, STDERR_FILENO);
        for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errorFile}) {
            close(fd);
        }
        // As a shell would start it, whatever this process ignores or blocks.
        signal(SIGPIPE, SIG_DFL);
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        sigprocmask(SIG_UNBLOCK, &pipeSignal, nullptr);
        for (const auto& [name, value] : run.environment) {  // this process has one thread
            value.empty() ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
        }
        if (!run.workingDirectory.empty() && chdir(run.workingDirectory.c_str()) != 0) {
            _exit(126);
        }
        execv(run.program.c_str(), argvPointers.data());
        _exit(127);
    }
    close(inPipe[0]);
    close(outPipe[1]);
    if (run.stdoutReaderGone) {
        close(outPipe[0]);
    }
    signal(SIGPIPE, SIG_IGN);
    (void)!write(inPipe[1], run.input.data(), run.input.size());
    close(inPipe[1]);

    ProgramResult result;
    if (!run.stdoutReaderGone) {
        char buffer[4096];
        for (ssize_t count; (count = read(outPipe[0], buffer, sizeof buffer)) > 0;) {
            result.out.append(buffer, static_cast<size_t>(count));
        }
        close(outPipe[0]);
    }
    int status = 0;
    waitpid(child, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.err = readWholeFile(errors.file("err"));
    return result;
}

TemporaryFolder::TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lptflash-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) {
        folder = pattern;
    }
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    if (!folder.empty()) {
        std::filesystem::remove_all(folder, ignored);
    }
}

ProgramResult runFlashtest(const TemporaryFolder& folder, PortLibrary library,
                           const std::map<std::string, std::string>& settings,
                           bool stdoutReaderGone, const char* shellScript) {
    namespace fs = std::filesystem;
    const std::string libraries[] = {"",
                                     SCRIPTIO_DIR "/full/libio.so",
                                     SCRIPTIO_DIR "/no_isdriverinstalled/libio.so",
                                     SCRIPTIO_DIR "/no_portout/libio.so",
                                     SCRIPTIO_DIR "/not_a_library/libio.so",
                                     SIM_LIBRARY,
                                     LPTIO_LIBRARY};
    const std::string& libraryFile = libraries[static_cast<int>(library)];
    std::error_code ignored;
    fs::copy_file(FLASHTEST_PROGRAM, folder.file("flashtest"), ignored);
    fs::remove(folder.file("libio.so"), ignored);
    if (!libraryFile.empty()) {
        fs::copy_file(libraryFile, folder.file("libio.so"), ignored);
    }
    ProgramRun run{folder.file("flashtest"), {}, {}, folder.path(), "", stdoutReaderGone};
    if (shellScript != nullptr) {
        run.arguments = {"-c", shellScript, run.program};
        run.program = "/bin/sh";
    }
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string name(*entry, std::strcspn(*entry, "="));
        if (name.rfind("LPTIO_", 0) == 0 || name.rfind("SCRIPTIO_", 0) == 0) {
            run.environment[name] = "";
        }
    }
    for (const auto& [name, value] : settings) {
        run.environment[name] = value;
    }
    run.environment["LD_PRELOAD"] = FASTCLOCK_LIBRARY;
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer intercepts dlopen, so the program's RUNPATH is not searched.
    run.environment["LD_LIBRARY_PATH"] = folder.path();
#else
    run.environment["LD_LIBRARY_PATH"] = "";
#endif
    return runProgram(run);
}

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

void writeWholeFile(const std::string& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
}
