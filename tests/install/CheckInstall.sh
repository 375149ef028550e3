#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The installed layout: flashtest finds the real-port library by default and nothing else does
# (no bare PREFIX/lib/libio.so that any program's dlopen("libio.so") would pick up); the
# simulator, the sigrok decoder and the documentation are where the README says.
# Usage: CheckInstall.sh BUILD_DIR SCRATCH_DIR
set -u
build=$1
prefix=$2/install
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "install failed"; exit 1; }

failed=0
fail() { echo "FAIL: $*"; failed=1; }
for file in bin/flashtest lib/lptflash/libio.so lib/lptflash/sim/libio.so \
            share/lptflash/sigrok-decoders/lptflash/pd.py share/doc/lptflash/README.md \
            share/doc/lptflash/LICENSE; do
    [ -f "$prefix/$file" ] || fail "missing $file"
done
# The decoder says under which license it comes, as the LICENSE file does.
if command -v sigrok-cli >/dev/null; then
    shown=$(SIGROKDECODE_DIR="$prefix/share/lptflash/sigrok-decoders" sigrok-cli -P lptflash --show 2>&1)
    echo "$shown" | grep -q '^License: mit$' || fail "the decoder's license: $(echo "$shown" | grep -i license)"
fi
grep -q '^MIT License$' "$prefix/share/doc/lptflash/LICENSE" || fail "LICENSE is not the MIT license"
stray=$(find "$prefix/lib" -maxdepth 1 -name 'libio*')
[ -z "$stray" ] || fail "a port library where every program finds it: $stray"

# The default library is the real-port one: it names the port it cannot reach and touches none.
out=$(env -u LD_LIBRARY_PATH LPTIO_PORT=/dev/parport-none "$prefix/bin/flashtest" </dev/null 2>"$2/stderr")
grep -q '^lptio: cannot reach the port at 0x378 (LPTIO_PORT=/dev/parport-none)' "$2/stderr" ||
    fail "installed flashtest did not load the real-port library: $(head -c 300 "$2/stderr")"
[ "$out" = "H/W check failed !"$'\n'"Press any key to continue . . . " ] || fail "stdout: $out"

# The simulator only when chosen.
env LD_LIBRARY_PATH="$prefix/lib/lptflash/sim" LPTIO_SIM_BOARD=none \
    LPTIO_SIM_IMAGE="$2/image.img" "$prefix/bin/flashtest" </dev/null >/dev/null 2>"$2/stderr"
grep -q '^lptio: simulation, no real port' "$2/stderr" || fail "the simulator did not announce itself"
exit $failed
