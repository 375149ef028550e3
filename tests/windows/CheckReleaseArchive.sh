#!/bin/sh
# SPDX-License-Identifier: MIT
# Packs a Windows build's release archive afresh and checks that it is named after the build and
# holds exactly the two programs, the operator's README and the license with Windows line ends,
# and the hardware and simulator io.dll each in its own folder, the README naming every setting
# the simulator reads, and every binary stripped.
# Usage: CheckReleaseArchive.sh CMAKE CPACK WINDOWS_BUILD_DIR x64|x86 SOURCE_DIR OBJDUMP
set -eu
cmake=$1
cpack=$2
build=$3
arch=$4
source=$5
objdump=$6
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$cpack" --config "$build/CPackConfig.cmake" -G ZIP -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; exit 1; }
set -- "$work"/lptflash-*-windows-"$arch".zip
if [ $# -ne 1 ] || [ ! -f "$1" ] || [ "$(ls "$work"/*.zip | wc -l)" -ne 1 ]; then
    echo "cpack made no single ZIP archive named lptflash-<version>-windows-$arch.zip:" \
        "$(ls "$work")" >&2
    exit 1
fi
# Entries below the archive's one top folder, files only.
contents=$(cd "$work" && "$cmake" -E tar tf "$1" | sed -n 's|^[^/]*/\(.*[^/]\)$|\1|p' | sort)
expected="LICENSE.txt
README.txt
flashtest.exe
hardware/io.dll
lptflash.exe
simulator/io.dll"
if [ "$contents" != "$expected" ]; then
    printf 'archive %s holds:\n%s\nexpected exactly:\n%s\n' "$1" "$contents" "$expected" >&2
    exit 1
fi
# Notepad of older Windows shows a file with bare LF line ends as one block of text.
mkdir "$work/unpacked"
(cd "$work/unpacked" && "$cmake" -E tar xf "$1")
for text in README.txt LICENSE.txt; do
    file=$(echo "$work"/unpacked/*/$text)
    lines=$(wc -l <"$file")
    crlf_lines=$(grep -c "$(printf '\r')\$" "$file" || true)
    if [ "$lines" -lt 10 ] || [ "$crlf_lines" -ne "$lines" ]; then
        echo "$text: $crlf_lines of $lines lines end in CR LF" >&2
        exit 1
    fi
done
grep -q "^MIT License" "$work"/unpacked/*/LICENSE.txt || { echo "LICENSE.txt: not the MIT license" >&2; exit 1; }
# Unstripped, the binaries are three times the size and carry the build machine's paths.
for binary in flashtest.exe lptflash.exe hardware/io.dll simulator/io.dll; do
    if "$objdump" -h "$work"/unpacked/*/$binary | grep -q ' \.debug_' ||
        ! "$objdump" -t "$work"/unpacked/*/$binary | grep -q 'no symbols'; then
        echo "$binary is not stripped" >&2
        exit 1
    fi
done
readme=$(echo "$work"/unpacked/*/README.txt)
settings=$(cat "$source"/iolib/sim/*.[ch]* "$source"/iolib/trace/*.[ch]* "$source"/iolib/hardware/DriverPortFinder.h | grep -o '"LPTIO_[A-Z_]*"' |
    tr -d '"' | sort -u)
[ -n "$settings" ] || { echo "found no LPTIO_ settings in the simulator's sources" >&2; exit 1; }
for setting in $settings; do
    grep -q "$setting" "$readme" || { echo "README.txt does not explain $setting" >&2; exit 1; }
done
echo "$(basename "$1"): $(echo $contents), stripped; README.txt and LICENSE.txt CR LF; explains" $settings
