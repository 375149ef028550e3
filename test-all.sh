#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds and runs every test: the Linux build, the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, both Windows builds under Wine, and a brief run of each benchmark.
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

# Runs a ctest preset, says first what runs in real time, and records passed, failed and skipped
# tests with the reason of each skip.
run_ctest() {
    local stage=$1 preset=$2 build=$3
    local listed
    listed=$(ctest --test-dir "$build" -N 2>/dev/null || true)
    if grep -q 'vm_real_kernel' <<<"$listed"; then
        echo "real time: vm_real_kernel boots Debian's kernel under QEMU (about a minute, up to 5);" \
            "the other tests run beside it"
    fi
    if grep -q 'realtime' <<<"$listed"; then
        echo "real time: the Wine complete run on the real clock waits its erase in full, about" \
            "5 minutes; the other tests run beside it"
    fi
    local log status=0
    log=$(mktemp)
    ctest --preset "$preset" 2>&1 | tee "$log" || status=$?
    # gtest prints "file:line: Skipped" and then the reason; the VM test leaves its own. Read
    # before a run again overwrites the log.
    awk '/^[0-9]+\/[0-9]+ Testing: /{name=$3} /: Skipped$/{getline reason; print "skipped " name ": " reason}' \
        "$build/Testing/Temporary/LastTest.log" 2>/dev/null || true
    local total failed skipped rerun=""
    total=$(sed -n 's/.*tests passed, [0-9]* tests\? failed out of \([0-9]*\).*/\1/p' "$log")
    failed=$(sed -n 's/.*tests passed, \([0-9]*\) tests\? failed out of.*/\1/p' "$log")
    # Wine's cmd.exe now and then shows nothing for PAUSE on a loaded machine. When only Wine
    # runs failed, they get one more run; the verdict names them, so a flake is never silent.
    local failed_names
    failed_names=$(sed -n 's/^[[:space:]]*[0-9]* - \([^ ]*\) (Failed)$/\1/p' "$log")
    if [ "$status" -ne 0 ] && [ -n "$failed_names" ] &&
        ! grep -qv -e Wine -e wine_ <<<"$failed_names"; then
        echo "running once more, as only Wine runs failed:" $failed_names
        if ctest --preset "$preset" --rerun-failed; then
            status=0
            failed=0
            rerun=" (passed when run again under Wine: $(echo $failed_names))"
        fi
    fi
    skipped=$(grep -c '(Skipped)' "$log" || true)
    rm -f "$log"
    if [ -f "$build/tests/vm/SKIPPED" ]; then
        echo "skipped vm_real_kernel: $(cat "$build/tests/vm/SKIPPED")"
    fi
    verdict "$stage" "$(( ${total:-0} - ${failed:-0} - skipped )) passed, ${failed:-?} failed, $skipped skipped$rerun"
    if [ "$status" -ne 0 ] || [ -z "$total" ]; then
        failures=$((failures + 1))
    fi
}

# A stage whose tools are missing: CI must never skip it; elsewhere it is skipped, and said so.
skip_stage() {
    local stage=$1 what=$2 missing=$3
    if [ -n "${CI:-}" ] && [ "${CI}" != false ]; then
        echo "error: CI must run $what, but these tools are missing:$missing" >&2
        exit 1
    fi
    echo "SKIPPED: $what; missing:$missing"
    verdict "$stage" "skipped: missing$missing"
}

# Both Windows programs (x64 and x86) are cross-built with mingw-w64; the Linux tests run each
# under Wine of its own bitness, the complete runs with Wine's clock sped up. CI must never skip
# this; only where the kernel refuses 32-bit programs, which no package changes, the x86 program
# is built and checked but not run, and the verdict says so on a line of its own.
# LPTFLASH_REALTIME=1 adds one complete x86 run on the real clock (300 s, beside the rest).
step "Windows builds (mingw-w64 cross builds, x64 and x86) and release archives"
windows_options=()
windows_missing=""
command -v x86_64-w64-mingw32-g++ >/dev/null ||
    windows_missing+=" x86_64-w64-mingw32-g++ (Debian package g++-mingw-w64-x86-64)"
command -v i686-w64-mingw32-g++ >/dev/null ||
    windows_missing+=" i686-w64-mingw32-g++ (Debian package g++-mingw-w64-i686)"
[ -x /usr/lib/wine/wine64 ] || command -v wine64 >/dev/null ||
    windows_missing+=" wine64 (Debian package wine64)"
[ -x /usr/lib/wine/wine ] || windows_missing+=" 32-bit wine (Debian package wine32:i386)"
echo 'int main(void) { return 0; }' | gcc -m32 -x c -o /dev/null - 2>/dev/null ||
    windows_missing+=" gcc -m32 (Debian package gcc-multilib)"
if [ -z "$windows_missing" ]; then
    for build in x64 x86; do
        cmake --preset "windows-$build"
        cmake --build --preset "windows-$build"
        cpack --preset "windows-$build"
        windows_options+=("-DLPTFLASH_WINDOWS_${build^^}_BUILD_DIR=$PWD/build/windows-$build")
    done
    verdict "Windows builds and archives" "built (x64, x86)"
    realtime=OFF
    [ "${LPTFLASH_REALTIME:-0}" = 1 ] && realtime=ON
    windows_options+=("-DLPTFLASH_WINE_REALTIME=$realtime")
else
    skip_stage "Windows builds and archives" "the Windows builds and their Wine tests" \
        "$windows_missing"
    windows_options=(-DLPTFLASH_WINDOWS_X64_BUILD_DIR= -DLPTFLASH_WINDOWS_X86_BUILD_DIR=)
fi

step "Linux build and tests$([ -n "$windows_missing" ] || echo ', with both Windows programs under Wine')"
cmake --preset default "${windows_options[@]}"
cmake --build --preset default
run_ctest "Linux tests$([ -n "$windows_missing" ] || echo ' and Wine tests')" default build/default
# Written by the default build's configure step when the kernel refuses 32-bit programs.
if [ -f build/default/tests/windows/X86_NOT_RUN ]; then
    verdict "x86 program under Wine" \
        "built and checked, not run: $(cat build/default/tests/windows/X86_NOT_RUN)"
fi

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

# libFuzzer: the simulator's line model and every settings parser, 30 s each from the seed
# corpus in tests/fuzz/corpus (longer runs: README, Fuzzing). New inputs stay in build/fuzz.
step "Fuzzing, 30 s per target (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)"
fuzz_missing=""
echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
    clang++ -x c++ -fsanitize=fuzzer,address,undefined -o /dev/null - 2>/dev/null ||
    fuzz_missing=" clang++ with libFuzzer (Debian packages clang libclang-rt-dev)"
if [ -z "$fuzz_missing" ]; then
    cmake --preset fuzz
    cmake --build --preset fuzz
    echo "real time: 2 fuzz targets, 30 s each"
    fuzz_failed=0
    for target in SimLinesFuzz:sim-lines SettingsFuzz:settings; do
        mkdir -p "build/fuzz/corpus/${target#*:}"
        "build/fuzz/bin/${target%:*}" -max_total_time=30 -max_len=4096 \
            -artifact_prefix=build/fuzz/ "build/fuzz/corpus/${target#*:}" \
            "tests/fuzz/corpus/${target#*:}" || fuzz_failed=$((fuzz_failed + 1))
    done
    verdict "Fuzzing" "$((2 - fuzz_failed)) passed, $fuzz_failed failed"
    [ "$fuzz_failed" -eq 0 ] || failures=$((failures + 1))
else
    skip_stage "Fuzzing" "the fuzz targets" "$fuzz_missing"
fi

if [ -n "$windows_missing" ]; then
    step "SKIPPED: the Windows builds and their Wine tests; missing:$windows_missing"
fi
if [ -f build/default/tests/vm/SKIPPED ]; then
    step "SKIPPED: the VM test against the real kernel drivers: $(cat build/default/tests/vm/SKIPPED)"
fi
[ "$failures" -eq 0 ]
