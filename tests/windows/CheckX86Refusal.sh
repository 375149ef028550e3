#!/bin/sh
# SPDX-License-Identifier: MIT
# The path of a host whose kernel refuses 32-bit programs, forced on any host: the probe started
# on a program for a machine no Linux kernel runs says so, and with its reason the end-to-end
# tests' x86 runs skip, each with that reason. The probe's other verdicts beside it.
# Usage: CheckX86Refusal.sh PYTHON PROBE E2E_TESTS
set -eu
python=$1
probe=$2
tests=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
    printf '%s\n' "$*" >&2
    status=1
}

# An ELF header for a VAX (machine 75): the kernel's execve fails with ENOEXEC, as it does for
# any 32-bit x86 program where IA-32 emulation is off; no binfmt handler takes VAX programs.
printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\113\000\001\000\000\000' \
    >"$work/vax"
head -c 28 /dev/zero >>"$work/vax"
chmod +x "$work/vax"
reason="this host's kernel does not run 32-bit programs (Exec format error)"
verdict=$("$python" "$probe" "$work/vax") || fail "the probe failed on a refused program"
[ "$verdict" = "$reason" ] || fail "refused program: the probe says '$verdict', not '$reason'"
# A program that starts: no reason. A missing one (a package to install): the probe fails.
[ -z "$("$python" "$probe" "$(command -v true)")" ] || fail "a program that runs is reported"
if "$python" "$probe" "$work/missing" 2>"$work/err"; then
    fail "the probe passes a missing program"
fi
grep -q "No such file or directory" "$work/err" || fail "no reason for a missing program"

# Every x86 row skips with the reason, none runs; the x64 rows are not touched.
LPTFLASH_X86_REFUSED=$verdict "$tests" --gtest_filter='*/WineX86_*' >"$work/rows" 2>&1 ||
    fail "the x86 rows failed: $(cat "$work/rows")"
rows=$(grep -c '^\[ RUN ' "$work/rows" || true)
skipped=$(grep -A1 ': Skipped$' "$work/rows" | grep -cxF "$reason" || true)
[ "$rows" -gt 0 ] && [ "$skipped" -eq "$rows" ] ||
    fail "$skipped of $rows x86 rows skipped with the reason: $(cat "$work/rows")"
exit $status
