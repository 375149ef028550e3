#!/usr/bin/env python3
"""The final pause on a terminal: keys typed before its prompt do not end it, a key's whole
escape sequence is taken (nothing is left for the shell), and after Ctrl-C or Ctrl-\\ the
terminal's settings are exactly as before. Runs flashtest on a pseudo-terminal against the
simulator on board none, which goes straight to the pause.

usage: PauseOnTerminal.py FLASHTEST FASTCLOCK_LIBRARY SIMULATOR_FOLDER"""
import os
import resource
import select
import signal
import subprocess
import sys
import termios
import time

program, fastclock, simulator = sys.argv[1:4]
environment = {k: v for k, v in os.environ.items() if not k.startswith("LPTIO_")}
environment.update(LD_PRELOAD=fastclock, LD_LIBRARY_PATH=simulator, LPTIO_SIM_BOARD="none")
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def start(typed_ahead=b""):
    master, slave = os.openpty()
    os.write(master, typed_ahead)  # in the terminal's queue before the program even starts
    before = termios.tcgetattr(slave)
    child = subprocess.Popen([program], stdin=slave, stdout=slave, stderr=slave, env=environment,
                             preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_CORE, (0, 0)))
    seen = b""
    while b"Press any key" not in seen:
        ready, _, _ = select.select([master], [], [], 60)
        if not ready:
            sys.exit("no pause prompt within 60 s; the terminal showed %r" % seen)
        seen += os.read(master, 4096)
    return master, slave, child, before


def left_for_the_shell(slave):
    attributes = termios.tcgetattr(slave)
    attributes[3] &= ~termios.ICANON
    attributes[6][termios.VMIN] = 0
    attributes[6][termios.VTIME] = 0
    termios.tcsetattr(slave, termios.TCSANOW, attributes)
    try:
        return os.read(slave, 4096)
    except BlockingIOError:
        return b""


master, slave, child, _ = start(b"xy")
os.write(master, b"\x1b[A")  # an arrow key, three bytes at once
exit_code = child.wait(timeout=60)
check(exit_code == 1, "board none ends with exit code 1, not %r" % exit_code)
left = left_for_the_shell(slave)
check(left == b"", "typed-ahead keys or part of the arrow key were left for the shell: %r" % left)

for ending in (signal.SIGINT, signal.SIGQUIT):
    master, slave, child, before = start()
    deadline = time.monotonic() + 30  # the signal must come while the pause takes single keys
    while termios.tcgetattr(slave)[3] & termios.ICANON and time.monotonic() < deadline:
        time.sleep(0.01)
    child.send_signal(ending)
    exit_code = child.wait(timeout=60)
    check(exit_code == -ending, "%s ends the program by that signal, not %r" % (ending.name, exit_code))
    check(termios.tcgetattr(slave) == before,
          "after %s the terminal's settings differ from before the run" % ending.name)

# Off a terminal the prompt must still be out before the key is awaited: a caller driving the
# program through pipes answers what it sees.
child = subprocess.Popen([program], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, env=environment)
seen = b""
while b"Press any key" not in seen:
    ready, _, _ = select.select([child.stdout], [], [], 60)
    if not ready:
        child.kill()
        sys.exit("through a pipe, no pause prompt before the key; the program wrote %r" % seen)
    seen += os.read(child.stdout.fileno(), 4096)
child.communicate(b"k", timeout=60)

for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
