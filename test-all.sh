#!/usr/bin/env bash
# Builds and runs every test: the Linux build, the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, both Windows builds under Wine, and a brief run of each benchmark.
set -euo pipefail
cd "$(dirname "$0")"

step() { printf '\n==== %s\n' "$*"; }

# Both Windows programs (x64 and x86) are cross-built with mingw-w64; the Linux tests run each
# under Wine of its own bitness, the complete runs with Wine's clock sped up. CI must never skip
# this. LPTFLASH_REALTIME=1 adds one complete x86 run on the real clock (300 s, beside the rest).
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
    realtime=OFF
    [ "${LPTFLASH_REALTIME:-0}" = 1 ] && realtime=ON
    windows_options+=("-DLPTFLASH_WINE_REALTIME=$realtime")
elif [ -n "${CI:-}" ] && [ "${CI}" != false ]; then
    echo "error: CI must run the Windows tests, but these tools are missing:$windows_missing" >&2
    exit 1
else
    echo "SKIPPED: the Windows builds and their Wine tests; missing:$windows_missing"
    windows_options=(-DLPTFLASH_WINDOWS_X64_BUILD_DIR= -DLPTFLASH_WINDOWS_X86_BUILD_DIR=)
fi

step "Linux build and tests$([ -n "$windows_missing" ] || echo ', with both Windows programs under Wine')"
cmake --preset default "${windows_options[@]}"
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

# libFuzzer: the simulator's line model and every settings parser, 30 s each from the seed
# corpus in tests/fuzz/corpus (longer runs: README, Fuzzing). New inputs stay in build/fuzz.
step "Fuzzing, 30 s per target (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)"
fuzz_missing=""
echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
    clang++ -x c++ -fsanitize=fuzzer,address,undefined -o /dev/null - 2>/dev/null ||
    fuzz_missing="clang++ with libFuzzer (Debian packages clang libclang-rt-dev)"
if [ -z "$fuzz_missing" ]; then
    cmake --preset fuzz
    cmake --build --preset fuzz
    for target in SimLinesFuzz:sim-lines SettingsFuzz:settings; do
        mkdir -p "build/fuzz/corpus/${target#*:}"
        "build/fuzz/bin/${target%:*}" -max_total_time=30 -max_len=4096 \
            -artifact_prefix=build/fuzz/ "build/fuzz/corpus/${target#*:}" \
            "tests/fuzz/corpus/${target#*:}"
    done
elif [ -n "${CI:-}" ] && [ "${CI}" != false ]; then
    echo "error: CI must run the fuzz targets, but this is missing: $fuzz_missing" >&2
    exit 1
else
    echo "SKIPPED: the fuzz targets; missing: $fuzz_missing"
fi

if [ -n "$windows_missing" ]; then
    step "SKIPPED: the Windows builds and their Wine tests; missing:$windows_missing"
fi
if [ -f build/default/tests/vm/SKIPPED ]; then
    step "SKIPPED: the VM test against the real kernel drivers: $(cat build/default/tests/vm/SKIPPED)"
fi
