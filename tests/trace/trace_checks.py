#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Traces of simulated runs, read as people read them: the sigrok decoder's annotations must be
the bus log's cycles one for one, programs and erases must show their status polls (done, busy,
DQ5 with the failure settings), a run killed with SIGKILL must leave both traces readable up to
its last event, and a trace that cannot be written further must say so once and be marked.

Arguments: flashtest, the fast-clock preload, the simulator's folder, the decoder folder.
Run as "drive LIBRARY CYCLES" it makes the bus cycles CYCLES (JSON: ["w", address, byte] or
["r", address]) on the simulator LIBRARY through the adapter's lines, as the driver does."""
import ctypes
import json
import os
import re
import resource
import shutil
import signal
import subprocess
import sys
import tempfile


def drive(library, cycles):
    port = ctypes.CDLL(library)
    port.PortOut.argtypes = (ctypes.c_short, ctypes.c_ubyte)
    lines = {}

    def put(register, value):
        lines[register] = value
        port.PortOut(0x378 + register, value)

    data, control = 0, 2
    lines[data] = 0
    put(control, 0x09)  # idle: low byte selected, strobe set
    put(control, 0x0D)  # enabled for the whole access
    for kind, address, *value in cycles:
        put(control, lines[control] & ~0x02)  # the data lines carry clocks
        for bit in range(23, -1, -1):
            one = 0x02 if address >> bit & 1 else 0
            put(data, one | lines[data] & 0x01)
            put(data, one)
            put(data, one | 0x01)  # the shift clock's rise takes the bit
        put(data, 0)
        if kind == 'w':
            put(control, lines[control] | 0x02)  # and now the byte
            put(data, value[0])
            put(control, lines[control] | 0x08)
            put(control, lines[control] & ~0x08)  # the strobe's fall writes
            put(control, lines[control] & ~0x02)
            continue
        for pattern in (0x02, 0x06, 0x02, 0x00):  # the read-back load pulse
            put(data, pattern)
        for _ in range(8):
            port.PortIn(0x379)
            put(data, 0x04)
            put(data, 0)


if sys.argv[1] == 'drive':
    drive(sys.argv[2], json.loads(sys.argv[3]))
    sys.exit(0)

FLASHTEST, FASTCLOCK, SIM_DIR, DECODERS = sys.argv[1:5]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print('FAILED:', what)


def environment(folder, **settings):
    env = {k: v for k, v in os.environ.items() if not k.startswith('LPTIO_')}
    env.update(LD_PRELOAD=FASTCLOCK, LD_LIBRARY_PATH=SIM_DIR, SIGROKDECODE_DIR=DECODERS,
               LPTIO_SIM_IMAGE=os.path.join(folder, 'chip.img'),
               LPTIO_TRACE_VCD=os.path.join(folder, 'run.vcd'),
               LPTIO_TRACE_BUSLOG=os.path.join(folder, 'run.log'))
    env.update(settings)
    return env


def logged(folder):
    """The bus log's entries without their times, blank padding left out."""
    with open(os.path.join(folder, 'run.log')) as log:
        return [re.sub(r' +', ' ', line.strip().split(None, 1)[1])
                for line in log if line.strip() and not line.startswith('#')]


def decoded(folder):
    result = subprocess.run(['sigrok-cli', '-I', 'vcd:compress=10', '-i',
                             os.path.join(folder, 'run.vcd'), '-P', 'lptflash'],
                            capture_output=True, text=True, env=environment(folder))
    check(result.returncode == 0 and not result.stderr, 'sigrok-cli ran: ' + result.stderr)
    return [line.split(': ', 1)[1] for line in result.stdout.splitlines()]


if shutil.which('sigrok-cli') is None:
    print('sigrok-cli is not installed (Debian package sigrok-cli)')
    sys.exit(77)

with tempfile.TemporaryDirectory() as folder:
    # An erase that outlasts the program's wait: the last reads are status.
    run = subprocess.run([FLASHTEST], stdin=subprocess.DEVNULL, capture_output=True,
                         env=environment(folder, LPTIO_SIM_ERASE_MS='3600000'))
    check(run.returncode == 0, 'complete run')
    cycles = logged(folder)
    check('probe Korvella+ answered' in cycles, 'the log has the probe verdict')
    check(any('chip S29GL128P' in c for c in cycles), 'the log names the chip')
    check(cycles[-1] == 'read 0x000000 high 0x00 erase status: busy', 'status reads')
    check(decoded(folder) == cycles, 'the decoder shows the bus log\'s cycles')
    with open(os.path.join(folder, 'run.gtkw')) as view:
        text = view.read()
    check('[dumpfile] "run.vcd"\n[savefile] "run.gtkw"\n' in text and
          '#{lpt.data[7:0]} lpt.D7 ' in text, 'a GTKWave view beside the dump')
    start = int(re.search(r'^\[timestart\] (\d+)$', text, re.M).group(1))
    zoom, marker = re.search(r'^\*(\S+) (\d+) ', text, re.M).groups()
    # GTKWave 3.3 shows 2^-zoom ns per 200 pixels, in a wave pane of 780 at our window size.
    shown = 2 ** -float(zoom) * 780 / 200
    check(start < int(marker) < start + shown < start + 2 * (int(marker) - start),
          'the view shows the first chip access, not a sliver or the whole run')



# Cycles as the driver makes them, each with its bus log entry, on Am29F040B.
def write(address, value, meaning):
    return [(['w', address, value], 'write 0x%06X low 0x%02X %s' % (address, value, meaning))]


def read(address, value, meaning=''):
    return [(['r', address], ('read 0x%06X low 0x%02X %s' % (address, value, meaning)).strip())]


UNLOCK = write(0x555, 0xAA, 'unlock 1/2') + write(0x2AA, 0x55, 'unlock 2/2')
RESET = write(0, 0xF0, 'reset')
ERASE = UNLOCK + write(0x555, 0x80, 'erase setup') + UNLOCK + write(0x555, 0x10, 'chip erase')


def program(address, value):
    return UNLOCK + write(0x555, 0xA0, 'program') + write(
        address, value, 'program 0x%02X at 0x%06X' % (value, address))


# At a thousandth of the time every status read comes after a program's time is up; an erase of
# an hour is still running.
DONE, FAILED = 'program status: done', 'program status: DQ5 exceeded timing limits'
runs = {
    'none': ({'LPTIO_SIM_ERASE_MS': '3600000'},
             RESET + program(0x100, 0x12) + read(0x100, 0x12, DONE) + read(0x100, 0x12) +
             program(0x100, 0xFF) + read(0x100, 0x60, FAILED) + read(0x100, 0x20, FAILED) +
             RESET + read(0x100, 0x12) + ERASE + read(0, 0x4C, 'erase status: busy') +
             RESET + read(0, 0x08, 'erase status: busy')),
    # bit 0 never programs; erases work
    'program': ({'LPTIO_SIM_ERASE_MS': '0'},
                program(0x200, 0x00) + read(0x200, 0xE0, FAILED) + RESET + read(0x200, 0x01) +
                ERASE + read(0, 0xFF, 'erase status: done')),
    # the chip's last byte is left unerased
    'erase': ({'LPTIO_SIM_ERASE_MS': '0'},
              ERASE + read(0, 0x6C, 'erase status: DQ5 exceeded timing limits') + RESET +
              read(0x7FFFF, 0x00) + read(0, 0xFF)),
}
LIBRARY = os.path.join(SIM_DIR, 'libio.so')
# A sanitizer build's library needs its runtime loaded first, and Python's own allocations
# are no leaks of ours.
runtime = [line.split()[2] for line in subprocess.run(['ldd', LIBRARY], capture_output=True,
                                                      text=True).stdout.splitlines()
           if 'libasan' in line]
for fail, (settings, cycles) in runs.items():
    with tempfile.TemporaryDirectory() as folder:
        with open(os.path.join(folder, 'chip.img'), 'wb') as chip:
            chip.write(b'\xff' * 512 * 1024)
        env = environment(folder, LPTIO_SIM_CHIP='Am29F040B', LPTIO_SIM_FAIL=fail, **settings)
        if runtime:
            env.update(LD_PRELOAD=runtime[0] + ':' + FASTCLOCK,
                       ASAN_OPTIONS=env.get('ASAN_OPTIONS', '') + ':detect_leaks=0')
        run = subprocess.run([sys.executable, __file__, 'drive', LIBRARY,
                              json.dumps([step for step, _ in cycles])],
                             capture_output=True, text=True, env=env)
        check(run.returncode == 0, 'LPTIO_SIM_FAIL=%s run: %s' % (fail, run.stderr))
        if run.returncode != 0:
            continue
        logged_cycles = [c for c in logged(folder) if c.startswith(('read ', 'write '))]
        check(logged_cycles == [entry for _, entry in cycles],
              'LPTIO_SIM_FAIL=%s status polls: %s' % (fail, logged_cycles))
        check(decoded(folder) == logged(folder),
              'LPTIO_SIM_FAIL=%s: the decoder shows the bus log\'s cycles' % fail)

with tempfile.TemporaryDirectory() as folder:
    # Killed during the erase wait, at a hundredth of real time: 3 s.
    with open(os.path.join(folder, 'run.gtkw'), 'w') as view:
        view.write('a file of the same name that is not a view of ours\n')
    run = subprocess.Popen([FLASHTEST], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, text=True,
                           env=environment(folder, FASTCLOCK_SCALE='100'))
    for line in run.stdout:
        if line.startswith('Wait 300 seconds'):
            run.send_signal(signal.SIGKILL)
            break
    run.wait()
    check(run.returncode == -signal.SIGKILL, 'killed during the wait')
    cycles = logged(folder)
    check(cycles[-1:] == ['write 0x000555 low 0x10 chip erase'],
          'the killed log runs to the erase: %s' % cycles[-1:])
    with open(os.path.join(folder, 'run.log')) as log:
        check('chip erase' in ''.join(log.readlines()[-2:]),
              'the padding after the last record is one blank line: tail shows the records')
    check(decoded(folder) == cycles, 'the killed run\'s waveform shows the same cycles')
    with open(os.path.join(folder, 'run.gtkw')) as view:
        check(view.read().startswith('a file of the same'), 'a file not ours is left alone')

with tempfile.TemporaryDirectory() as folder:
    # A disk that fills up: no file may grow beyond 16 KiB, a first step of the trace file.
    image = os.path.join(folder, 'chip.img')
    with open(image, 'wb') as chip:
        chip.write(b'\xff' * 512 * 1024)

    def on_disk_of(kib):
        """A run on a disk with room for files of kib KiB only."""
        def limit():
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (kib * 1024, kib * 1024))
        return subprocess.run([FLASHTEST], stdin=subprocess.DEVNULL, capture_output=True,
                              text=True, preexec_fn=limit, env=environment(
                                  folder, LPTIO_SIM_CHIP='Am29F040B', LPTIO_TRACE_BUSLOG=''))

    run = on_disk_of(16)
    check(run.returncode == 0, 'a full trace does not stop the run')
    told = [line for line in run.stderr.splitlines() if 'cannot write the trace' in line]
    check(len(told) == 1 and '(File too large)' in told[0], 'said once: %s' % told)
    with open(os.path.join(folder, 'run.vcd')) as vcd:
        check(vcd.read().endswith('$comment incomplete: the trace could not be written further '
                                  '(File too large) $end\n'), 'the VCD is marked incomplete')
    # Under 16 KiB free when the trace opens: the run is refused rather than its trace cut.
    run = on_disk_of(8)
    check(run.returncode == 1 and 'cannot take the trace (File too large)' in run.stderr,
          'a trace without room is refused: ' + run.stderr)
    # A device or a pipe would need a buffer that a kill loses: only regular files take traces.
    run = subprocess.run([FLASHTEST], stdin=subprocess.DEVNULL, capture_output=True, text=True,
                         env=environment(folder, LPTIO_SIM_CHIP='Am29F040B',
                                         LPTIO_TRACE_VCD='/dev/full', LPTIO_TRACE_BUSLOG=''))
    check(run.returncode == 1 and 'LPTIO_TRACE_VCD="/dev/full": not a regular file' in run.stderr,
          '/dev/full refused: ' + run.stderr)

with tempfile.TemporaryDirectory() as folder:
    # No adapter answers: the view shows the whole run, the probe that failed.
    run = subprocess.run([FLASHTEST], stdin=subprocess.DEVNULL, capture_output=True,
                         env=environment(folder, LPTIO_SIM_BOARD='none'))
    check(run.returncode == 1, 'the probe failed')
    with open(os.path.join(folder, 'run.gtkw')) as view:
        check('\n[timestart] 0\n' in view.read(), 'a failed probe gets a view of the whole run')

with tempfile.TemporaryDirectory() as folder:
    # Another program empties the trace during the wait: the run goes on and says so.
    run = subprocess.Popen([FLASHTEST], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, text=True,
                           env=environment(folder, FASTCLOCK_SCALE='1000'))
    for line in run.stdout:
        if line.startswith('Wait 300 seconds'):
            os.truncate(os.path.join(folder, 'run.vcd'), 0)
            os.truncate(os.path.join(folder, 'run.log'), 0)
            break
    told = run.communicate()[1]
    check(run.returncode == 0, 'a run whose traces were emptied ends normally: %d' % run.returncode)
    check(told.count('cut short by another program') == 2, 'said once a trace: ' + told)

sys.exit(1 if failures else 0)
