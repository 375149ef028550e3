#!/usr/bin/env bash
# Builds and runs every test: the Linux build, the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, the Windows build under Wine, and a brief run of each benchmark.
# Ends with one verdict over every stage.
set -euo pipefail
cd "$(dirname "$0")"

step() { printf '\n==== %s\n' "$*"; }

# One line per stage for the verdict, printed however the script ends.
verdicts=()
failures=0
verdict() {
    verdicts+=("$(printf '%-34s %s' "$1:" "$2")")
}
summary() {
    local status=$?
    step "Verdict"
    local line
    for line in "${verdicts[@]}"; do
        echo "$line"
    done
    if [ "$status" -ne 0 ] && [ "$failures" -eq 0 ]; then
        echo "stopped early (exit status $status): the stage after the last one above did not finish"
    fi
    if [ "$status" -eq 0 ] && [ "$failures" -eq 0 ]; then
        echo "ALL PASSED"
    else
        echo "FAILED"
    fi
}
trap summary EXIT

# Runs a ctest preset, says what runs in real time first, and records passed, failed and skipped
# tests with the reason of each skip.
run_ctest() {
    local stage=$1 preset=$2 build=$3
    local slow
    slow=$(ctest --test-dir "$build" -N -R 'wine_complete_run' 2>/dev/null | grep -c 'Test *#' || true)
    if [ "$slow" -gt 0 ]; then
        echo "real time: wine_complete_run_test waits its erase in full, about 5 minutes;" \
            "the other tests run beside it"
    fi
    local log status=0
    log=$(mktemp)
    ctest --preset "$preset" 2>&1 | tee "$log" || status=$?
    local total failed skipped
    total=$(sed -n 's/.*tests passed, [0-9]* tests\? failed out of \([0-9]*\).*/\1/p' "$log")
    failed=$(sed -n 's/.*tests passed, \([0-9]*\) tests\? failed out of.*/\1/p' "$log")
    skipped=$(grep -c '(Skipped)' "$log" || true)
    rm -f "$log"
    # gtest prints "file:line: Skipped" and then the reason.
    awk '/^[0-9]+\/[0-9]+ Testing: /{name=$3} /: Skipped$/{getline reason; print "skipped " name ": " reason}' \
        "$build/Testing/Temporary/LastTest.log" 2>/dev/null || true
    verdict "$stage" "$(( ${total:-0} - ${failed:-0} - skipped )) passed, ${failed:-?} failed, $skipped skipped"
    if [ "$status" -ne 0 ] || [ -z "$total" ]; then
        failures=$((failures + 1))
    fi
}

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
    verdict "Windows build and archive" "built"
elif [ -n "${CI:-}" ] && [ "${CI}" != false ]; then
    echo "error: CI must run the Windows tests, but these tools are missing:$windows_missing" >&2
    exit 1
else
    echo "SKIPPED: the Windows build and its Wine tests; missing:$windows_missing"
    verdict "Windows build and archive" "skipped: missing$windows_missing"
fi

step "Linux build and tests${windows_build:+, with the Windows program under Wine}"
cmake --preset default -DLPTFLASH_WINDOWS_BUILD_DIR="$windows_build"
cmake --build --preset default
run_ctest "Linux tests${windows_build:+ and Wine tests}" default build/default

step "Benchmarks, each once briefly so that none stops working (figures: docs/PERFORMANCE.md)"
benchmarks=(build/default/bench/bench_*)
[ -x "${benchmarks[0]}" ] || { echo "no benchmarks built: install libbenchmark-dev" >&2; exit 1; }
echo "real time: ${#benchmarks[@]} benchmarks, about 10 ms of measuring each, a few seconds in all"
benchmarks_failed=0
for benchmark in "${benchmarks[@]}"; do
    "$benchmark" --benchmark_min_time=0.01 || benchmarks_failed=$((benchmarks_failed + 1))
done
verdict "Benchmarks" "$(( ${#benchmarks[@]} - benchmarks_failed )) passed, $benchmarks_failed failed"
[ "$benchmarks_failed" -eq 0 ] || failures=$((failures + 1))

step "Linux tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize
cmake --build --preset sanitize
run_ctest "Sanitizer tests" sanitize build/sanitize

if [ -n "$windows_missing" ]; then
    step "SKIPPED: the Windows build and its Wine tests; missing:$windows_missing"
fi
[ "$failures" -eq 0 ]
