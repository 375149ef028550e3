#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Boots Debian's own kernel under QEMU with its emulated parallel port and runs flashtest with our
# libio.so against the real parport, parport_pc and ppdev drivers (guest-init.sh lists the
# scenarios). Each scenario's exit status, stdout, stderr and port accesses, as QEMU's register
# trace shows them, must match expected.txt exactly.
#   run-vm-test.sh FLASHTEST LIBIO VMTOOL WORKDIR
# Exit 77 (skipped) when a tool or the apt mirror is missing, unless CI is set.
set -uo pipefail
flashtest=$1 libio=$2 vmtool=$3 work=$4
here=$(cd "$(dirname "$0")" && pwd)
started=$(date +%s)

skip() {
    if [ -n "${CI:-}" ] && [ "$CI" != false ]; then
        echo "error: CI must run the VM test, but $*" >&2
        exit 1
    fi
    echo "SKIPPED: the VM test: $*"
    echo "$*" >"$work/SKIPPED"
    exit 77
}

mkdir -p "$work"
rm -f "$work/SKIPPED"
missing=""
for tool in qemu-system-x86_64:qemu-system-x86 busybox:busybox-static cpio:cpio \
    apt-get:apt dpkg-deb:dpkg; do
    command -v "${tool%%:*}" >/dev/null || missing+=" ${tool%%:*} (Debian package ${tool#*:})"
done
[ -z "$missing" ] || skip "these tools are missing:$missing"

# The kernel linux-image-amd64 points at, fetched once into the build folder, never installed.
cache=$work/kernel
mkdir -p "$cache"
package=$(apt-cache depends linux-image-amd64 2>/dev/null |
    awk '$1 == "Depends:" && $2 ~ /^linux-image-/ { print $2; exit }')
[ -n "$package" ] || skip "apt knows no linux-image-amd64 (run apt-get update)"
deb=$(ls "$cache/${package}_"*.deb 2>/dev/null | head -n1)
if [ -z "$deb" ]; then
    rm -rf "$cache" && mkdir -p "$cache"
    (cd "$cache" && apt-get download -q "$package" >download.log 2>&1) ||
        skip "cannot fetch $package from the apt mirror: $(tail -n1 "$cache/download.log")"
    deb=$(ls "$cache/${package}_"*.deb)
fi
kernel_files=$cache/files
if [ ! -d "$kernel_files" ]; then
    mkdir -p "$kernel_files.new"
    dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$kernel_files.new" --wildcards \
        './boot/vmlinuz-*' '*/parport.ko*' '*/parport_pc.ko*' '*/ppdev.ko*' || exit 1
    # busybox insmod takes plain modules only.
    find "$kernel_files.new" -name '*.ko.xz' -exec xz -d {} + || exit 1
    mv "$kernel_files.new" "$kernel_files"
fi

# The initramfs: busybox, the program and library under test with the libraries they load.
root=$work/root
rm -rf "$root"
mkdir -p "$root"/{bin,dev,etc,modules,proc,sys,tmp,opt/lptflash/bin,opt/lptflash/lib/lptflash}
cp "$(command -v busybox)" "$root/bin/busybox"
cp "$vmtool" "$root/bin/vmtool"
cp "$flashtest" "$root/opt/lptflash/bin/flashtest"
cp "$libio" "$root/opt/lptflash/lib/lptflash/libio.so"  # the installed layout
for library in $(ldd "$flashtest" "$libio" "$root/bin/busybox" 2>/dev/null |
    awk '$2 == "=>" && $3 ~ /^\// { print $3 } $1 ~ /^\// && $2 ~ /^\(/ { print $1 }' | sort -u); do
    mkdir -p "$root$(dirname "$library")"
    cp -L "$library" "$root$library"
done
cp "$kernel_files"/lib/modules/*/kernel/drivers/*/{parport,parport_pc,ppdev}.ko "$root/modules/"
cp "$here/guest-init.sh" "$root/init"
chmod 755 "$root/init"
printf '%s\n' root:x:0:0::/:/bin/sh visitor:x:1000:1000::/tmp:/bin/sh \
    tester:x:1001:1001::/tmp:/bin/sh >"$root/etc/passwd"
printf '%s\n' root:x:0: lp:x:7:tester visitor:x:1000: tester:x:1001: >"$root/etc/group"
(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$work/initrd.gz" || exit 1

# One boot runs every scenario. Software emulation: a stock kernel hangs under the paravirtual
# /dev/kvm of some hosts. The time limit turns a hang into a failure.
echo "booting $(basename "$deb") under QEMU (TCG)"
rm -f "$work"/{console.log,results.txt,trace.log,port.out}
timeout -k 5 150 qemu-system-x86_64 -accel tcg -m 256 -display none -no-reboot -nic none \
    -monitor none -kernel "$kernel_files"/boot/vmlinuz-* -initrd "$work/initrd.gz" \
    -append 'console=ttyS0 quiet panic=-1' \
    -serial "file:$work/console.log" -serial "file:$work/results.txt" \
    -parallel "file:$work/port.out" \
    -trace 'parallel_ioport_*' -trace fdc_ioport_write -D "$work/trace.log"
status=$?
[ $status -eq 0 ] || echo "QEMU ended with status $status (124: the guest ran out of time)"

# Each scenario rendered as text: its files (stdout, stderr, exit status of each program),
# then its port accesses (W/R offset=value), cut from the trace at the scenario's marks.
actual=$work/actual
rm -rf "$actual" "$work/actual.txt"
mkdir -p "$actual"
tr -d '\r' <"$work/results.txt" | awk -v dir="$actual" '
    /^@@@ scenario / { n = $3; sub(/^@@@ scenario [0-9]+ /, ""); name[n] = $0
                       printf "%s\n", $0 > (dir "/" n ".name"); close(dir "/" n ".name"); next }
    /^@@@ file /     { file = dir "/" n "." $3 ".b64"; printf "" > file; next }
    /^@@@ end/       { file = ""; next }
    file != ""       { print >> file }'
for b64 in "$actual"/*.b64; do
    [ -f "$b64" ] && base64 -d "$b64" >"${b64%.b64}" && rm "$b64"
done
awk '
    function digit(hex, at) { return index("0123456789abcdef", substr(hex, at, 1)) - 1 }
    function byte(hex) { return digit(hex, 3) * 16 + digit(hex, 4) }
    /fdc_ioport_write/ { current = (byte($NF) == 255 ? "" : byte($NF)); next }
    current != "" && /parallel_ioport_(read|write) / {
        kind = /parallel_ioport_read/ ? "R" : "W"
        token[current] = token[current] " " kind substr($(NF - 2), 4) "=" substr($NF, 3)
    }
    END { for (n in token) print n token[n] }' "$work/trace.log" |
    while read -r n tokens; do echo "$tokens" >"$actual/$n.trace"; done
for name_file in $(ls "$actual"/*.name 2>/dev/null | sort -V); do
    n=$(basename "$name_file" .name)
    echo "== $(cat "$name_file")"
    for file in "$actual/$n".*; do
        part=${file#"$actual/$n".}
        case $part in
            name | trace) ;;
            *.exit) echo "$part $(cat "$file")" ;;
            *) cat -A "$file" | sed "s/^/$part /" ;;
        esac
    done
    # A rival's PPRELEASE waits on ppdev's lock while our claim waits, so whether the kernel
    # restores the port's control state two or three times depends on which ends first: both
    # are right, as long as the run itself writes nothing.
    squeeze=""
    [ "$(cat "$name_file")" = held,rival-releases-by-ioctl ] && squeeze='s/^( W2=0c){2,3}$/ W2=0c W2=0c/'
    echo "trace$([ -f "$actual/$n.trace" ] && sed 's/^/ /' "$actual/$n.trace" | sed -E "$squeeze")"
done >"$work/actual.txt"

if ! grep -q '^@@@ done' "$work/results.txt"; then
    echo "the guest did not finish; its console ends with:"
    tail -n 15 "$work/console.log"
fi
echo "VM test: $(($(date +%s) - started)) s, QEMU's register trace in $work/trace.log"
if grep -v '^#' "$here/expected.txt" | diff -u - "$work/actual.txt"; then
    echo "all $(grep -c '^== ' "$work/actual.txt") scenarios match"
    exit 0
fi
echo "FAILED: the scenarios above differ from $here/expected.txt (- expected, + actual)"
exit 1
