#include "platform/Console.h"

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

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
}

namespace {

// The operator's terminal settings while the pause has changed them: a signal handler can reach
// nothing else, and the terminal must come back on every way out.
termios savedTerminal{};

constexpr int EndingSignals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP};

void restoreAndEnd(int signalNumber) {
    tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);  // ends the process as the signal says, once this handler returns
}

// Reads what the terminal sends within a tenth of a second: the rest of one key's sequence.
void drainKey(termios raw) {
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 1;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    char rest[16];
    while (read(STDIN_FILENO, rest, sizeof rest) > 0) {
    }
}

// One key pressed after the prompt: raw, no echo, the operator's settings restored afterwards.
bool readKeyFromTerminal() {
    if (tcgetattr(STDIN_FILENO, &savedTerminal) != 0) {
        return false;
    }
    struct sigaction restoring {};
    restoring.sa_handler = restoreAndEnd;
    sigemptyset(&restoring.sa_mask);
    struct sigaction previous[sizeof EndingSignals / sizeof EndingSignals[0]];
    for (std::size_t i = 0; i < sizeof EndingSignals / sizeof EndingSignals[0]; ++i) {
        sigaction(EndingSignals[i], &restoring, &previous[i]);
    }
    termios raw = savedTerminal;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    // Keys typed before the prompt (during the wait) are dropped: the pause waits for a new one.
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &raw);
    std::fputs("Press any key to continue . . . ", stdout);
    std::fflush(stdout);
    char key = 0;
    if (read(STDIN_FILENO, &key, 1) == 1) {
        drainKey(raw);  // an arrow or function key sends several bytes: none reaches the shell
    }
    tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    for (std::size_t i = 0; i < sizeof EndingSignals / sizeof EndingSignals[0]; ++i) {
        sigaction(EndingSignals[i], &previous[i], nullptr);
    }
    return true;
}

}  // namespace

void pauseForKey() {
    if (!isatty(STDIN_FILENO) || !readKeyFromTerminal()) {
        // A file, a pipe or a closed stdin: one byte or end of input, never a hang.
        std::fputs("Press any key to continue . . . ", stdout);
        std::fflush(stdout);
        char key = 0;
        (void)!read(STDIN_FILENO, &key, 1);
    }
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
