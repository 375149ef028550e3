#!/bin/sh
# SPDX-License-Identifier: MIT
# Checks Windows binaries as an operator's folder takes them: each imports nothing but Windows'
# own DLLs, and each port I/O DLL exports exactly the thirteen entry points under their plain
# names (stdcall in the x86 build, as the operators' 32-bit libraries have them).
# Usage: CheckExports.sh OBJDUMP x64|x86 FILE.exe|FILE.dll...
set -eu
objdump=$1
build=$2
shift 2
expected="ClrPortBit GetPortBit IsDriverInstalled LeftPortShift NotPortBit PortDWordIn
PortDWordOut PortIn PortOut PortWordIn PortWordOut RightPortShift SetPortBit"
failed=0
fail() {
    printf '%s: %s\n' "$file" "$*" >&2
    failed=1
}

for file in "$@"; do
    headers=$("$objdump" -p "$file") || { fail "objdump cannot read it"; continue; }
    # Anything else (libgcc_s_dw2-1.dll, libstdc++-6.dll, libwinpthread-1.dll) is missing from an
    # operator's folder, and Windows refuses to load the file.
    imports=$(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -u)
    # Our io.dll for real ports also asks Windows for its parallel ports (SetupAPI, WMI over COM)
    # and reads the registry: DLLs that every Windows has, too.
    case $file in
    */lptio/io.dll) own="-e SETUPAPI.dll -e ADVAPI32.dll -e ole32.dll -e OLEAUT32.dll" ;;
    *) own="" ;;
    esac
    # shellcheck disable=SC2086
    foreign=$(echo "$imports" | grep -vix -e KERNEL32.dll -e msvcrt.dll $own || true)
    [ -z "$foreign" ] || fail "imports DLLs an operator's folder lacks:" $foreign
    [ -n "$imports" ] || fail "no import table found"

    case $file in *.dll) ;; *) continue ;; esac
    # objdump -p lists the export table as "[ordinal] name" lines after "[Ordinal/Name Pointer]".
    exports=$(echo "$headers" |
        sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
        sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*\([^[:space:]]*\)$/\1/p' | sort)
    [ "$exports" = "$(echo $expected | tr ' ' '\n')" ] ||
        fail "exports" $exports "; expected exactly:" $expected
    if [ "$build" = x86 ]; then
        # The symbol behind each plain name is stdcall's _Name@bytes: the callee pops its
        # arguments, as the program's calls expect.
        symbols=$("$objdump" -t "$file")
        for name in $expected; do
            echo "$symbols" | grep -q " _$name@[0-9]*\$" || fail "$name is not stdcall"
        done
    fi
done
[ $failed = 0 ] || exit 1
echo "$build: $# files import only Windows' own DLLs; the DLLs export the thirteen plain names"
