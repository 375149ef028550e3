#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs side by side on one chip image, one of them killed with SIGKILL at a random moment, round
# after round: the image must afterwards be the whole old or the whole erased one, never torn,
# never lost. Bounded by its round count; the sped-up clock makes each round take a moment.
#
# usage: StressImage.sh FLASHTEST FASTCLOCK_LIBRARY SIMULATOR_FOLDER [ROUNDS]
set -u
program=$1 fastclock=$2 simulator=$3 rounds=${4:-20}
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
unset LPTIO_SIM_BOARD LPTIO_TRACE_VCD LPTIO_TRACE_BUSLOG
export LD_PRELOAD=$fastclock LD_LIBRARY_PATH=$simulator LPTIO_SIM_CHIP=Am29F040B \
    LPTIO_SIM_ERASE_MS=1 LPTIO_SIM_IMAGE=$folder/chip.img
head -c 524288 /dev/zero | tr '\0' '<' >"$folder/old"
head -c 524288 /dev/zero | tr '\0' '\377' >"$folder/erased"

erased=0
for round in $(seq "$rounds"); do
    cp "$folder/old" "$folder/chip.img"
    # One of the three is killed within its first 12 ms, where the runs load, lock, erase and
    # save; timeout kills only its own child, never a process that took a finished run's id.
    victim=$((RANDOM % 3))
    for run in 0 1 2; do
        killer=()
        [ "$run" = "$victim" ] && killer=(timeout -s KILL "$(printf '0.%04d' $((RANDOM % 120)))")
        "${killer[@]}" "$program" </dev/null >/dev/null 2>>"$folder/messages" &
    done
    wait
    if cmp -s "$folder/chip.img" "$folder/erased"; then
        erased=$((erased + 1))
    elif ! cmp -s "$folder/chip.img" "$folder/old"; then
        echo "FAILED: round $round left an image that is neither the old nor the erased one:"
        ls -l "$folder"
        exit 1
    fi
done
# Those not killed ran to the end or were turned away by the lock, never failing a save.
if grep '^lptio: ' "$folder/messages" |
    grep -v -e 'LPTIO_SIM_IMAGE=.*in use by another run' -e 'disconnected (board none)' \
        -e '^lptio: simulation, no real port: '; then
    echo "FAILED: the runs gave the messages above"
    exit 1
fi
echo "$rounds rounds: $erased left the erased image, the others the old one, none a torn one"
[ "$erased" -gt 0 ] || { echo "FAILED: no run erased the chip"; exit 1; }
