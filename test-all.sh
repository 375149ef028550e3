#!/usr/bin/env bash
# Builds and runs every test: the Linux build, the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, the Windows build under Wine, and a brief run of each benchmark.
set -euo pipefail
cd "$(dirname "$0")"

step() { printf '\n==== %s\n' "$*"; }

# The Windows program is cross-built with mingw-w64; the Linux tests run it under Wine, the
# 300 s real-time run beside the rest of the suite. CI must never skip this.
step "Windows build (mingw-w64 cross build) and release archive"
windows_build=""
windows_missing=""
command -v x86_64-w64-mingw32-g++ >/dev/null ||
    windows_missing+=" x86_64-w64-mingw32-g++ (Debian package g++-mingw-w64-x86-64)"
command -v wine >/dev/null || [ -x /usr/lib/wine/wine64 ] ||
    windows_missing+=" wine (Debian package wine64)"
if [ -z "$windows_missing" ]; then
    cmake --preset windows
    cmake --build --preset windows
    cpack --preset windows
    windows_build="$PWD/build/windows"
elif [ -n "${CI:-}" ] && [ "${CI}" != false ]; then
    echo "error: CI must run the Windows tests, but these tools are missing:$windows_missing" >&2
    exit 1
else
    echo "SKIPPED: the Windows build and its Wine tests; missing:$windows_missing"
fi

step "Linux build and tests${windows_build:+, with the Windows program under Wine}"
cmake --preset default -DLPTFLASH_WINDOWS_BUILD_DIR="$windows_build"
cmake --build --preset default
ctest --preset default

step "Benchmarks, each once briefly so that none stops working (figures: docs/PERFORMANCE.md)"
benchmarks=(build/default/bench/bench_*)
[ -x "${benchmarks[0]}" ] || { echo "no benchmarks built: install libbenchmark-dev" >&2; exit 1; }
for benchmark in "${benchmarks[@]}"; do
    "$benchmark" --benchmark_min_time=0.01
done

step "Linux tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize
cmake --build --preset sanitize
ctest --preset sanitize

if [ -n "$windows_missing" ]; then
    step "SKIPPED: the Windows build and its Wine tests; missing:$windows_missing"
fi
if [ -f build/default/tests/vm/SKIPPED ]; then
    step "SKIPPED: the VM test against the real kernel drivers: $(cat build/default/tests/vm/SKIPPED)"
fi
