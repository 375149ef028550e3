#include "platform/Console.h"

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

void prepareConsole() {
    signal(SIGPIPE, SIG_IGN);
}

namespace {

// One key from a terminal: raw, no echo, the operator's settings restored afterwards.
void readKeyFromTerminal() {
    termios saved{};
    if (tcgetattr(STDIN_FILENO, &saved) != 0) {
        return;
    }
    termios raw = saved;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    char key = 0;
    (void)!read(STDIN_FILENO, &key, 1);
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

}  // namespace

void pauseForKey() {
    std::fputs("Press any key to continue . . . ", stdout);
    std::fflush(stdout);
    if (isatty(STDIN_FILENO)) {
        readKeyFromTerminal();
    } else {
        // A file, a pipe or a closed stdin: one byte or end of input, never a hang.
        char key = 0;
        (void)!read(STDIN_FILENO, &key, 1);
    }
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
