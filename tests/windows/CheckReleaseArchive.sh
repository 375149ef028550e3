#!/bin/sh
# Packs the Windows build's release archive afresh and checks that it holds exactly the
# program, the operator's README, and the hardware and simulator io.dll each in its own folder.
# Usage: CheckReleaseArchive.sh CMAKE CPACK WINDOWS_BUILD_DIR
set -eu
cmake=$1
cpack=$2
build=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$cpack" --config "$build/CPackConfig.cmake" -G ZIP -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; exit 1; }
set -- "$work"/*.zip
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    echo "cpack made no single ZIP archive" >&2
    exit 1
fi
# Entries below the archive's one top folder, files only.
contents=$(cd "$work" && "$cmake" -E tar tf "$1" | sed -n 's|^[^/]*/\(.*[^/]\)$|\1|p' | sort)
expected="README.txt
flashtest.exe
hardware/io.dll
simulator/io.dll"
if [ "$contents" != "$expected" ]; then
    printf 'archive %s holds:\n%s\nexpected exactly:\n%s\n' "$1" "$contents" "$expected" >&2
    exit 1
fi
echo "$(basename "$1"): $(echo $contents)"
