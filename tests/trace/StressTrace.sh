#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Two runs started together on one trace, round after round, on one image (the second is turned
# away by the image) or on two (turned away by the trace's lock): both must live to the end, and
# the trace must be whole, never cut by the run that was turned away.
#
# usage: StressTrace.sh FLASHTEST FASTCLOCK_LIBRARY SIMULATOR_FOLDER [ROUNDS]
set -u
program=$1 fastclock=$2 simulator=$3 rounds=${4:-20}
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
unset LPTIO_SIM_BOARD
# The wait passes at a thousandth of real time: each run spends 0.3 s in it, long enough for
# the other run to meet its trace.
export LD_PRELOAD=$fastclock LD_LIBRARY_PATH=$simulator LPTIO_SIM_CHIP=Am29F040B \
    LPTIO_SIM_ERASE_MS=1 FASTCLOCK_SCALE=1000 LPTIO_TRACE_VCD=$folder/run.vcd \
    LPTIO_TRACE_BUSLOG=$folder/run.log

overlapped=0
for round in $(seq "$rounds"); do
    rm -f "$folder"/*.img "$folder"/run.*
    for run in 1 2; do
        image=$folder/chip.img
        [ $((round % 2)) = 0 ] && image=$folder/chip$run.img
        LPTIO_SIM_IMAGE=$image "$program" </dev/null >"$folder/out$run" 2>"$folder/err$run" &
        eval "pid$run=$!"
    done
    wait "$pid1"; status1=$?
    wait "$pid2"; status2=$?
    if [ "$status1" -gt 1 ] || [ "$status2" -gt 1 ] || [ $((status1 + status2)) = 2 ]; then
        echo "FAILED: round $round: the runs ended with $status1 and $status2 (one 0, one 1 expected)"
        cat "$folder"/err*
        exit 1
    fi
    # On a loaded machine the second run may start only after the first has ended: both then
    # pass, and the round shows nothing about two runs at once.
    if [ $((status1 + status2)) = 0 ]; then
        continue
    fi
    overlapped=$((overlapped + 1))
    refused=$((status1 == 1 ? 1 : 2))
    if ! grep -q -e 'in use by another run' -e 'cannot be created (File exists)' "$folder/err$refused"; then
        echo "FAILED: round $round: the refused run gave another reason:"
        cat "$folder/err$refused"
        exit 1
    fi
    # Whole: everything up to the erase's status reads, and no padding left behind.
    for trace in run.vcd run.log; do
        if [ "$(tail -c 1 "$folder/$trace" | od -An -c | tr -d ' ')" != '\n' ] ||
            tail -n 1 "$folder/$trace" | grep -q '^ *$'; then
            echo "FAILED: round $round: $trace is not whole"
            exit 1
        fi
    done
    grep -q 'erase status, not data\|read   0x000000  high  0xFF' "$folder/run.log" || {
        echo "FAILED: round $round: the bus log stops before the end of the run"
        tail -n 3 "$folder/run.log"
        exit 1
    }
done
echo "$rounds rounds of two runs on one trace ($overlapped of them at once): both alive, each trace whole"
