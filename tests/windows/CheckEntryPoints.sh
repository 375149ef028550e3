#!/bin/sh
# SPDX-License-Identifier: MIT
# The hardware io.dll's entry points that flashtest.exe never calls (words, bits, shifts built
# on byte access), through the stand-in port-access library at a forced 0xd010, under Wine.
# Usage: CheckEntryPoints.sh WINE IO_DLL PORT_DRIVER CALLER; WINEPREFIX set.
set -eu
wine=$1
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cp "$2" "$folder/io.dll"
cp "$3" "$4" "$folder/"
cd "$folder"
out=$(WINEDEBUG=-all LPTIO_PORT=0xd010 LPTIO_FORCE_PORT=1 SCRIPTIO_LOG=ports.log \
    SCRIPTIO_STATUS="7F 6C" "$wine" "$(basename "$4")" NotPortBit:890:2 PortWordOut:888:48879 \
    SetPortBit:888:4 ClrPortBit:888:0 RightPortShift:888:4 LeftPortShift:888:3 GetPortBit:888:6 \
    GetPortBit:888:7 PortWordIn:888 PortDWordIn:888 </dev/null 2>err.txt | tr -d '\r')
status=0
expect() {
    if [ "$2" != "$3" ]; then
        printf '%s differs:\n--- expected\n%s\n--- got\n%s\n' "$1" "$2" "$3" >&2
        status=1
    fi
}
expect stdout "1
0
6C78
FF04FF78" "$out"
# Opening reads; toggle bit 2; word, checked; set bit 4; clear bit 0; >> 4; << 3; bits 6, 7;
# word; dword.
expect "port accesses" "$(echo R 53264 00 R 53265 7F R 53266 00 \
    R 53266 00 W 53266 04 \
    W 53264 EF R 53264 EF \
    R 53264 EF W 53264 FF \
    R 53264 FF W 53264 FE \
    R 53264 FE W 53264 0F \
    R 53264 0F W 53264 78 \
    R 53264 78 R 53264 78 \
    R 53264 78 R 53265 6C \
    R 53264 78 R 53265 FF R 53266 04)" "$(tr -d '\r' <ports.log | tr '\n' ' ' | sed 's/ $//')"
grep -q "lptio: 0x37b is not a parallel port register" err.txt ||
    { echo "stderr lacks the refusal of 0x37b:" >&2; cat err.txt >&2; status=1; }
exit $status
