#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Release benchmarks and runs each as the figures in docs/PERFORMANCE.md were taken,
# machine description and load first. Run it when the machine is otherwise idle.
# Usage: bench/run-published.sh [extra benchmark flags, e.g. --benchmark_repetitions=3]
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null

echo "== machine"
lscpu | grep -E '^(Model name|CPU\(s\)|Thread|Core|Hypervisor vendor|CPU max MHz)' || true
echo "clocksource: $(cat /sys/devices/system/clocksource/clocksource0/current_clocksource 2>/dev/null)"
grep -m1 -o -w -E 'constant_tsc|nonstop_tsc' /proc/cpuinfo | sort -u | tr '\n' ' '; echo
uname -srm
c++ --version | head -n 1
echo "build type: $(grep -m1 CMAKE_BUILD_TYPE build/bench/CMakeCache.txt)"
echo "load before: $(cat /proc/loadavg)"

figures=build/bench/bench
# The probe's waits come from whole runs of two programs, about 50 ms per pair: 20 s of them
# gives some hundred undisturbed pairs even on a busy machine.
for benchmark in bench_delay_accuracy bench_port_overhead bench_simulated_run \
    bench_simulator_throughput bench_chip_operations bench_probe_waits; do
    if [ -x "$figures/$benchmark" ]; then
        minTime=2
        [ "$benchmark" = bench_probe_waits ] && minTime=20
        echo "== $benchmark (load $(cut -d' ' -f1-3 /proc/loadavg))"
        "$figures/$benchmark" --benchmark_min_time=$minTime "$@"
    fi
done
echo "load after: $(cat /proc/loadavg)"
