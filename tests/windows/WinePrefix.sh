#!/bin/sh
# SPDX-License-Identifier: MIT
# Creates (create) or removes (remove) the Wine prefix that one run of the Wine tests shares.
# Usage: WinePrefix.sh create|remove PREFIX WINE WINESERVER, WINEARCH (win64, win32) set.
set -eu
action=$1
export WINEPREFIX="$2"
wine=$3
wineserver=$4
export WINEDEBUG=-all

# A server still running on an old prefix would keep serving the removed files.
"$wineserver" -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
[ "$action" = remove ] && exit 0

"$wine" wineboot --init </dev/null
# wineboot returns before the prefix is fully written; the server ends once it is.
"$wineserver" -w
if [ ! -f "$WINEPREFIX/drive_c/windows/system32/cmd.exe" ]; then
    echo "no cmd.exe in the new Wine prefix $WINEPREFIX: PAUSE cannot run" >&2
    exit 1
fi

# The first program on a fresh server starts the prefix's services, which inherit its stdout
# and keep it open while the server lives: a test reading that program's output through a pipe
# would wait for the server to end. So one server and its services run for the whole test run,
# started here away from any test's output, and end with "remove" (or 15 idle minutes).
"$wineserver" -p900 </dev/null >/dev/null 2>&1
"$wine" cmd.exe /c exit </dev/null >/dev/null 2>&1
