// SPDX-License-Identifier: MIT
#include "platform/Console.h"

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

// How the program wants the operator's terminal, from start to the end of the pause.
enum class Mode : int {
    Operators,  // as the operator had it: the program has let go of it
    Quiet,      // no echo: keys typed during the wait must not land in the report
    Key,        // one key, unbuffered, no echo
    KeyRest,    // the rest of a key's sequence: what arrives within a tenth of a second
};

// What the handlers need to give the terminal back and take it again: a signal handler can
// reach nothing else, and the terminal must come back on every way out.
struct Terminal {
    termios operators{};
    volatile sig_atomic_t mode = static_cast<int>(Mode::Operators);
    volatile sig_atomic_t held = 0;  // the terminal is in mode and operators must come back
} terminal;

// A terminal that is not the program's controlling one has no background to be in.
bool inForeground() {
    const pid_t group = tcgetpgrp(STDIN_FILENO);
    return group < 0 || group == getpgrp();
}

void letGo() {
    if (terminal.held != 0) {
        tcsetattr(STDIN_FILENO, TCSANOW, &terminal.operators);
        terminal.held = 0;
    }
}

// Puts the terminal in the wanted mode, taking the operator's settings as they are now: a
// program in the background has no terminal to take, and gets it when brought to the front.
void take(int when) {
    const auto mode = static_cast<Mode>(terminal.mode);
    if (mode == Mode::Operators || !inForeground()) {
        return;
    }
    if (terminal.held == 0 && tcgetattr(STDIN_FILENO, &terminal.operators) != 0) {
        return;
    }
    termios wanted = terminal.operators;
    wanted.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHONL));
    if (mode != Mode::Quiet) {
        wanted.c_lflag &= static_cast<tcflag_t>(~ICANON);
        wanted.c_cc[VMIN] = mode == Mode::Key ? 1 : 0;
        wanted.c_cc[VTIME] = mode == Mode::Key ? 0 : 1;
    }
    terminal.held = 1;
    tcsetattr(STDIN_FILENO, when, &wanted);
}

void change(Mode mode, int when = TCSANOW) {
    terminal.mode = static_cast<int>(mode);
    if (mode == Mode::Operators) {
        letGo();
    } else {
        take(when);
    }
}

void letGoAndEnd(int signalNumber) {
    letGo();
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);  // ends the process as the signal says, once this handler returns
}

void letGoAndStop(int signalNumber) {
    const int error = errno;
    letGo();
    struct sigaction ours {};
    sigaction(signalNumber, nullptr, &ours);
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, signalNumber);
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);  // stops here until continued
    sigaction(signalNumber, &ours, nullptr);
    // An orphaned process group is not stopped: the program goes on, with its terminal.
    take(TCSANOW);
    errno = error;
}

void takeAgain(int) {
    const int error = errno;
    take(TCSANOW);  // the shell gave the operator's settings back when it stopped us
    errno = error;
}

// Every signal whose default ends the process; a crash's included, the terminal comes back.
constexpr int EndingSignals[] = {SIGINT,  SIGQUIT,   SIGTERM, SIGHUP,  SIGUSR1, SIGUSR2,
                                 SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ, SIGABRT,
                                 SIGSEGV, SIGBUS,    SIGFPE,  SIGILL,  SIGTRAP, SIGSYS};
constexpr int StoppingSignals[] = {SIGTSTP, SIGTTIN, SIGTTOU};

// Handlers go only where the signal has its default: what the parent ignores stays ignored, and
// a sanitizer's own handlers stay in place.
void handleSignals() {
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : EndingSignals) {
        sigaddset(&action.sa_mask, signalNumber);
    }
    for (const int signalNumber : StoppingSignals) {
        sigaddset(&action.sa_mask, signalNumber);
    }
    sigaddset(&action.sa_mask, SIGCONT);
    action.sa_flags = SA_RESTART;
    const auto install = [&action](int signalNumber, void (*handler)(int)) {
        struct sigaction current {};
        if (sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler == SIG_DFL &&
            (current.sa_flags & SA_SIGINFO) == 0) {
            action.sa_handler = handler;
            sigaction(signalNumber, &action, nullptr);
        }
    };
    for (const int signalNumber : EndingSignals) {
        install(signalNumber, letGoAndEnd);
    }
    for (const int signalNumber : StoppingSignals) {
        install(signalNumber, letGoAndStop);
    }
    install(SIGCONT, takeAgain);
}

// Reads one byte; a handled signal (stop and continue) is no answer.
ssize_t readByte(char& byte) {
    ssize_t count = 0;
    do {
        count = read(STDIN_FILENO, &byte, 1);
    } while (count < 0 && errno == EINTR);
    return count;
}

}  // namespace

void prepareConsole() {
    // A closed standard descriptor would be the next file's: console text would land in a
    // trace, or on the port's device. /dev/null takes its place first.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) < 0) {
            const int null = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
            if (null >= 0 && null != fd) {
                dup2(null, fd);
                close(null);
            }
        }
    }
    signal(SIGPIPE, SIG_IGN);
    if (isatty(STDIN_FILENO) != 0) {
        handleSignals();
        std::atexit(letGo);
        change(Mode::Quiet);
    }
}

void pauseForKey() {
    const bool onTerminal = isatty(STDIN_FILENO) != 0;
    if (onTerminal) {
        // Keys typed before the prompt (during the wait) are dropped: the pause waits for a new
        // one.
        change(Mode::Key, TCSAFLUSH);
    }
    std::fputs("Press any key to continue . . . ", stdout);
    std::fflush(stdout);
    char key = 0;
    if (onTerminal) {
        if (readByte(key) == 1) {
            // An arrow or function key sends several bytes: none reaches the shell.
            change(Mode::KeyRest);
            char rest[16];
            while (read(STDIN_FILENO, rest, sizeof rest) > 0) {
            }
        }
        change(Mode::Operators);
    } else {
        // A file, a pipe or a closed stdin: one byte or end of input, never a hang.
        (void)readByte(key);
    }
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
