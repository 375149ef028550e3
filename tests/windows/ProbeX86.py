#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Whether this host's kernel runs 32-bit x86 programs: starts PROGRAM, a 32-bit program that
exits 0, straight through execve (no shell retries a refused file as a script).

Prints nothing when it runs, the reason the x86 runs are skipped when the kernel refuses it
(Exec format error: nothing a package installs changes that), and fails on anything else, such
as a missing file or 32-bit loader, which an install can fix.
Usage: ProbeX86.py PROGRAM
"""
import errno
import subprocess
import sys

program = sys.argv[1]
try:
    status = subprocess.run([program], stdin=subprocess.DEVNULL, timeout=60).returncode
except OSError as error:
    if error.errno == errno.ENOEXEC:
        print("this host's kernel does not run 32-bit programs (Exec format error)")
        sys.exit(0)
    sys.exit(f"cannot start the 32-bit program {program}: {error.strerror}")
if status != 0:
    sys.exit(f"the 32-bit program {program} failed (exit status {status})")
