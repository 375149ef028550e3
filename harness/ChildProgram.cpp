// SPDX-License-Identifier: MIT
#include "ChildProgram.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TemporaryFolder.h"

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
