#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The final pause on a terminal: keys typed before its prompt do not end it, a key's whole
escape sequence is taken (nothing is left for the shell), keys typed during the wait are not
echoed into the report, after every signal that ends the program the terminal's settings are
exactly as before, a signal the parent ignores stays ignored, and a program stopped at the pause
gives the terminal back and takes one key again once continued. Runs flashtest on a
pseudo-terminal against the simulator on board none, which goes straight to the pause.

usage: PauseOnTerminal.py FLASHTEST FASTCLOCK_LIBRARY SIMULATOR_FOLDER"""
import os
import resource
import tempfile
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


def start(typed_ahead=b"", ignored=(), settings=None, until=b"Press any key"):
    master, slave = os.openpty()
    os.write(master, typed_ahead)  # in the terminal's queue before the program even starts
    before = termios.tcgetattr(slave)

    def prepare():
        # A group of its own, whose parent is in another group of the session: never orphaned,
        # however the tests were started, so that a stop signal stops it.
        os.setpgid(0, 0)
        resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
        for number in ignored:
            signal.signal(number, signal.SIG_IGN)

    child = subprocess.Popen([program], stdin=slave, stdout=slave, stderr=slave,
                             env=dict(environment, **(settings or {})), preexec_fn=prepare)
    wait_for(master, until)
    return master, slave, child, before


def wait_for(master, text):
    seen = b""
    while text not in seen:
        ready, _, _ = select.select([master], [], [], 60)
        if not ready:
            sys.exit("no %r within 60 s; the terminal showed %r" % (text, seen))
        seen += os.read(master, 4096)
    return seen


def taking_single_keys(slave, wanted=True):
    deadline = time.monotonic() + 30
    while (termios.tcgetattr(slave)[3] & termios.ICANON == 0) != wanted:
        if time.monotonic() > deadline:
            return False
        time.sleep(0.01)
    return True


def stopped(child):
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        with open("/proc/%d/stat" % child.pid) as stat:
            if stat.read().rsplit(")", 1)[1].split()[0] == "T":
                return True
        time.sleep(0.01)
    return False


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

for ending in (signal.SIGINT, signal.SIGQUIT, signal.SIGTERM, signal.SIGHUP, signal.SIGUSR1,
               signal.SIGUSR2, signal.SIGALRM):
    master, slave, child, before = start()
    taking_single_keys(slave)  # the signal must come while the pause takes single keys
    child.send_signal(ending)
    exit_code = child.wait(timeout=60)
    check(exit_code == -ending, "%s ends the program by that signal, not %r" % (ending.name, exit_code))
    check(termios.tcgetattr(slave) == before,
          "after %s the terminal's settings differ from before the run" % ending.name)

# Ignored by the parent (a launcher), Ctrl-C stays ignored: the pause still ends with a key.
master, slave, child, before = start(ignored=(signal.SIGINT,))
taking_single_keys(slave)
child.send_signal(signal.SIGINT)
os.write(master, b"k")
exit_code = child.wait(timeout=60)
check(exit_code == 1, "with SIGINT ignored by the parent, Ctrl-C ended the pause: %r" % exit_code)

# Stopped at the pause (Ctrl-Z, or reading from the background), the program gives the terminal
# back; continued, it takes one key again, not a line.
for stop in (signal.SIGTSTP, signal.SIGTTIN, signal.SIGTTOU):
    master, slave, child, before = start()
    taking_single_keys(slave)
    child.send_signal(stop)
    check(stopped(child), "%s did not stop the program" % stop.name)
    check(termios.tcgetattr(slave) == before,
          "stopped by %s, the program kept the terminal's settings changed" % stop.name)
    termios.tcsetattr(slave, termios.TCSANOW, before)  # as the shell has them while it runs
    child.send_signal(signal.SIGCONT)
    check(taking_single_keys(slave), "continued after %s, the pause waits for a line" % stop.name)
    os.write(master, b"k")
    try:
        exit_code = child.wait(timeout=60)
    except subprocess.TimeoutExpired:
        child.kill()
        exit_code = child.wait()
    check(exit_code == 1, "continued after %s, one key did not end the pause" % stop.name)
    check(termios.tcgetattr(slave) == before,
          "after %s and a key the terminal's settings differ from before" % stop.name)

# Keys typed during the 300 s wait (3 s here) are neither echoed into the report nor
# taken as the pause's key.
with tempfile.TemporaryDirectory() as folder:
    master, slave, child, before = start(
        settings={"LPTIO_SIM_BOARD": "", "FASTCLOCK_SCALE": "100",
                  "LPTIO_SIM_IMAGE": os.path.join(folder, "chip.img")},
        until=b"Wait 300 seconds !")
    os.write(master, b"xyz\r")
    shown = wait_for(master, b"Press any key")
    check(b"xyz" not in shown, "keys typed during the wait were echoed: %r" % shown)
    check(child.poll() is None, "a key typed during the wait ended the pause")
    os.write(master, b"k")
    exit_code = child.wait(timeout=60)
    check(exit_code == 0, "a complete run ends with exit code 0, not %r" % exit_code)
    check(termios.tcgetattr(slave) == before, "after a complete run the terminal's settings "
          "differ from before")

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
