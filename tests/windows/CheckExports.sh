#!/bin/sh
# Checks that a port I/O DLL exports the thirteen entry points under their plain names.
# Usage: CheckExports.sh OBJDUMP DLL
set -eu
objdump=$1
dll=$2
expected="ClrPortBit GetPortBit IsDriverInstalled LeftPortShift NotPortBit PortDWordIn
PortDWordOut PortIn PortOut PortWordIn PortWordOut RightPortShift SetPortBit"

# objdump -p lists the export table as "[ordinal] name" lines after "[Ordinal/Name Pointer]".
actual=$("$objdump" -p "$dll" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*\([^[:space:]]*\)$/\1/p' | sort)
if [ "$actual" != "$(echo $expected | tr ' ' '\n')" ]; then
    echo "exports of $dll:" >&2
    echo "$actual" >&2
    echo "expected exactly:" >&2
    echo $expected | tr ' ' '\n' >&2
    exit 1
fi
echo "$dll exports the thirteen entry points undecorated"
