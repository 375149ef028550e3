#!/bin/busybox sh
# SPDX-License-Identifier: MIT
# PID 1 of the VM test's guest. Puts the kernel's parallel port drivers in each state a user
# meets, runs flashtest (and rival ppdev programs) there, and sends every scenario's output to the
# second serial port. QEMU's register trace is cut into scenarios by `vmtool mark`.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mkdir -p /tmp /results
exec 3>/dev/ttyS1

FLASHTEST=/opt/lptflash/bin/flashtest
# Generous: only a hang reaches it. The library's own wait for a busy port is a few seconds.
BOUND=10
index=0

say() { echo "vm: $*"; }

modules() {  # modules load|unload NAME [PARAMETERS]
    if [ "$1" = load ]; then insmod "/modules/$2.ko" $3; else rmmod "$2"; fi ||
        say "cannot $1 $2"
    # udev's rule for ppdev nodes, which devtmpfs alone leaves to root.
    if [ -c /dev/parport0 ]; then chgrp lp /dev/parport0 && chmod 660 /dev/parport0; fi
}

begin() {  # begin NAME: a new scenario; the port accesses from here on are its own
    index=$((index + 1))
    name=$1
    out=/results/$index
    mkdir -p "$out"
    say "scenario $index at $(cut -d" " -f1 /proc/uptime) s: $name"
    vmtool mark $index
}

finish() {  # sends the scenario's files to the host
    vmtool mark 255
    {
        echo "@@@ scenario $index $name"
        for file in "$out"/*; do
            [ -f "$file" ] || continue
            echo "@@@ file ${file##*/}"
            base64 <"$file"
        done
        echo "@@@ end"
    } >&3
}

note() { echo "$*" >>"$out/script.notes"; }

ended() {  # ended PID: gone or a zombie
    [ ! -d "/proc/$1" ] || grep -q '^[^ ]* ([^)]*) Z' "/proc/$1/stat" 2>/dev/null
}

await() {  # await PID PREFIX: waits at most BOUND s, then kills; the exit status goes to PREFIX.exit
    ticks=0
    while ! ended "$1"; do
        ticks=$((ticks + 1))
        if [ $ticks -gt $((BOUND * 10)) ]; then
            note "$2 did not end within $BOUND s (in $(cat /proc/$1/wchan)): killed"
            kill -KILL "$1"
            sleep 1
            if ! ended "$1"; then
                note "$2 survived SIGKILL (uninterruptible, in $(cat /proc/$1/wchan))"
                echo hung >"$out/$2.exit"
                return
            fi
        fi
        usleep 100000
    done
    wait "$1"
    echo $? >"$out/$2.exit"
}

start() {  # start USER PREFIX [VAR=VALUE...]: flashtest in the background, its pid in $pid
    user=$1
    prefix=$2
    shift 2
    if [ "$user" = root ]; then
        env "$@" $FLASHTEST <&4 >"$out/$prefix.out" 2>"$out/$prefix.err" &
    else
        su -s /bin/sh "$user" -c 'exec env "$@"' sh "$@" $FLASHTEST \
            <&4 >"$out/$prefix.out" 2>"$out/$prefix.err" &
    fi
    pid=$!
}

run() {  # run USER [VAR=VALUE...]: one flashtest run to its prompt, stdin empty
    user=$1
    shift
    start "$user" flashtest "$@" 4</dev/null
    await $pid flashtest
}

waits_in() {  # waits_in PID FUNCTION: true once PID sleeps in kernel FUNCTION
    ticks=0
    until [ "$(cat /proc/$1/wchan 2>/dev/null)" = "$2" ]; do
        ticks=$((ticks + 1))
        if [ $ticks -gt 200 ] || ended "$1"; then
            note "never waited in $2"
            return 1
        fi
        usleep 20000
    done
}

hold() {  # hold MODE: a rival program claims /dev/parport0 (MODE close, ioctl or exclusive)
    vmtool hold /dev/parport0 "$1" >"$out/holder.out" 2>&1 &
    holder=$!
    ticks=0
    until grep -qs claimed "$out/holder.out" || ended $holder; do
        ticks=$((ticks + 1))
        [ $ticks -gt 200 ] && break
        usleep 20000
    done
}

release() {
    kill -TERM $holder
    await $holder holder
}

say "up after $(cut -d' ' -f1 /proc/uptime) s"

# The port as firmware describes it (ACPI, IRQ 7), with ppdev and udev's permissions.
modules load parport
modules load parport_pc
modules load ppdev

begin default; run root; finish
for setting in /dev/parport0 parport0 0x378 888; do
    begin "port=$setting"; run root LPTIO_PORT=$setting; finish
done
# What a user may type that must be refused, and an address where the kernel has no port.
begin port=378; run root LPTIO_PORT=378; finish
begin port=space,0x378; run root "LPTIO_PORT= 0x378"; finish
begin port=tab,0x378; run root "LPTIO_PORT=$(printf '\t')0x378"; finish
for setting in /dev/lp0 /dev/ttyS0 0x278; do
    begin "port=$setting"; run root LPTIO_PORT=$setting; finish
done
begin user-without-lp; run visitor; finish
begin user-in-lp; run tester; finish

modules unload ppdev
begin ppdev-unloaded; run root; finish
begin ppdev-unloaded,direct; run root LPTIO_DIRECT_IO=1; finish
begin ppdev-unloaded,direct,user-in-lp; run tester LPTIO_DIRECT_IO=1; finish
mknod /dev/parport0 c 99 0
begin ppdev-unloaded,stale-node; run root; finish
rm /dev/parport0

modules unload parport_pc
modules load ppdev
begin no-kernel-port; run root; finish
begin no-kernel-port,direct; run root LPTIO_DIRECT_IO=1; finish

# A port handed from one claimer to a waiting one must have no IRQ: under QEMU, the kernel hangs
# in parport_claim with IRQ 7 (it re-enables interrupts under its lock, and QEMU raises IRQ 7 on
# every register access). io= keeps the module from taking the port through ACPI with its IRQ.
modules unload ppdev
modules load parport_pc "io=0x378 irq=none"
modules load ppdev

begin irq-none; run root; finish

begin held; hold close; run root; release; finish

begin held,released-while-waiting
hold close
start root flashtest 4</dev/null
waits_in $pid parport_claim_or_block
release
await $pid flashtest
finish

# A rival that releases with PPRELEASE waits on ppdev's global lock for as long as our claim waits.
begin held,rival-releases-by-ioctl
hold ioctl
start root flashtest 4</dev/null
waits_in $pid parport_claim_or_block
release
await $pid flashtest
finish

begin held-exclusively; hold exclusive; run root; release; finish

# The first run holds the port at its key prompt while a second one waits for it.
begin two-runs
mkfifo /tmp/key
exec 5<>/tmp/key
start root first 4<&5
first=$pid
ticks=0
until grep -qs 'Press any key' "$out/first.out" || ended $first; do
    ticks=$((ticks + 1))
    [ $ticks -gt 200 ] && break
    usleep 20000
done
start root second 4</dev/null
second=$pid
waits_in $second parport_claim_or_block
echo >&5
await $first first
await $second second
exec 5>&-
finish

# Last, as a library that wrongly goes ahead resets the machine: direct I/O, even asked for,
# never goes where the kernel has put something else. The program writes base+2 first: 0x71 is
# the CMOS clock's data, 0x3FA the console UART's FIFO control, 0xCF9 the reset register.
for setting in 0x6f 0x3f8 0xcf7; do
    begin "direct,port=$setting"; run root LPTIO_DIRECT_IO=1 LPTIO_PORT=$setting; finish
done

echo "@@@ done" >&3
exec 3>&-
say "done after $(cut -d' ' -f1 /proc/uptime) s"
poweroff -f
