# SPDX-License-Identifier: MIT
# The lptflash adapter's bus, decoded from the port lines as the bus log decodes it.

import sigrokdecode as srd

try:
    from .chips import CHIPS  # generated from the program's chip table when built
except ImportError:
    CHIPS = ()

DATA = ['D0_addr_clock', 'D1_addr_bit', 'D2_read_clock', 'D3', 'D4', 'D5', 'D6', 'D7']
CONTROL = ['C0_byte_select', 'C1_data_drive', 'C2_enable', 'C3_write_strobe']
STATUS = ['S6_read_back', 'S7_presence']
WIRES = DATA + CONTROL + STATUS
MARKER = len(WIRES)

SHIFT_CLOCK, SHIFT_BIT, READ_CLOCK = 0x01, 0x02, 0x04
BYTE_SELECT, DATA_DRIVE, ENABLE, WRITE_STROBE = 0x01, 0x02, 0x04, 0x08
READ_BACK, PRESENCE = 0x40, 0x80

CODE_LABELS = {0x00: 'manufacturer code', 0x01: 'device code',
               0x0E: 'extended code 1/2', 0x0F: 'extended code 2/2'}
CODE_INDEX = {0x00: 0, 0x01: 1, 0x0E: 2, 0x0F: 3}


def rose(before, after, mask):
    return not before & mask and after & mask


class Commands:
    '''Names a write's part in a command of the unlock-cycle command set.'''

    def __init__(self):
        self.step = 'ready'

    def name(self, address, low, value):
        current, self.step = self.step, 'ready'
        if current == 'program':
            return 'program 0x%02X at 0x%06X' % (value, address)
        if not low:
            return 'unexpected'
        if value == 0xF0:
            return 'reset'
        at = lambda a, v: (address & 0x7FF) == a and value == v
        first, second = at(0x555, 0xAA), at(0x2AA, 0x55)
        if current == 'unlocked1' and second:
            self.step = 'unlocked2'
            return 'unlock 2/2'
        if current == 'unlocked2':
            for v, name, step in ((0x90, 'autoselect', 'ready'), (0x80, 'erase setup', 'erase'),
                                  (0xA0, 'program', 'program')):
                if at(0x555, v):
                    self.step = step
                    return name
        if current == 'erase' and first:
            self.step = 'erase1'
            return 'unlock 1/2'
        if current == 'erase1' and second:
            self.step = 'erase2'
            return 'unlock 2/2'
        if current == 'erase2' and at(0x555, 0x10):
            return 'chip erase'
        if first:
            self.step = 'unlocked1'
            return 'unlock 1/2'
        return 'unexpected'


class Reads:
    '''What a read's byte is: an identifier code, or the status of a running erase or program
    instead of data.'''

    def __init__(self):
        self.autoselect = False
        self.running = None  # 'erase' or 'program' while reads give status
        self.program_next = False
        self.reset_codes()

    def reset_codes(self):
        self.codes = [[None, None] for _ in range(4)]
        self.named = False

    def written(self, command, value):
        # DQ7 reads as done_bit7 once the operation is over; after DQ5 only a reset ends it.
        self.autoselect = command == 'autoselect'
        if self.autoselect:
            self.reset_codes()
            self.running, self.program_next = None, False
        if self.program_next:
            self.running, self.done_bit7, self.timed_out = 'program', value & 0x80, False
        self.program_next = command == 'program'
        if command == 'chip erase':
            self.running, self.done_bit7, self.timed_out = 'erase', 0x80, False
        if self.running and self.timed_out and command == 'reset':
            self.running = None

    def meaning(self, address, low, value):
        lane = 0 if low else 1
        if self.running:
            status = self.running + ' status: '
            if value & 0x80 == self.done_bit7:
                self.running = None  # this read and the ones after it are the array's data
                return status + 'done'
            if value & 0x20:
                self.timed_out = True
                return status + 'DQ5 exceeded timing limits'
            return status + 'busy'
        if not self.autoselect:
            return ''
        if address & 0xFF == 0x02:
            return 'sector protection'
        if address & 0xFF not in CODE_LABELS:
            return ''
        self.codes[CODE_INDEX[address & 0xFF]][lane] = value
        label = CODE_LABELS[address & 0xFF]
        if not self.named:
            chip = self.matching_chip()
            if chip:
                self.named = True
                label += '; chip ' + chip
        return label

    def matching_chip(self):
        found = None
        for name, width, *expected in CHIPS:
            used = expected if expected[2] is not None else expected[:2]
            for (low, high), code in zip(self.codes, used):
                if low is None or low != code & 0xFF:
                    break
                if width == 16 and high is not None and high != code >> 8:
                    break
            else:
                if found:
                    return None
                found = name
        return found


def verdict(samples):
    '''Korvella+ drops its answer as soon as the shift clock rises, Velmar/rev3b one sample
    later; an answer that never drops is the lines floating high.'''
    at = lambda i: i < len(samples) and samples[i]
    if not at(0):
        return 'no adapter answered'
    if not at(1):
        return 'Korvella+ answered'
    return 'no adapter answered' if at(2) else 'Velmar/rev3b answered'


class Decoder(srd.Decoder):
    api_version = 3
    id = 'lptflash'
    name = 'lptflash'
    longname = 'lptflash programmer adapter'
    desc = 'Flash chip bus cycles and detection probe of the lptflash adapter.'
    license = 'mit'
    inputs = ['logic']
    outputs = []
    tags = ['Memory']
    channels = tuple({'id': w, 'name': w, 'desc': w.replace('_', ' ')} for w in WIRES)
    optional_channels = (
        {'id': 'status_read', 'name': 'status_read',
         'desc': 'toggles at each status register read'},
    )
    annotations = (
        ('write', 'Write cycle'),
        ('read', 'Read cycle'),
        ('status', 'Status poll'),
        ('line', 'Probe line change'),
        ('sample', 'Presence sample'),
        ('verdict', 'Probe verdict'),
    )
    annotation_rows = (
        ('cycles', 'Bus cycles', (0, 1, 2)),
        ('probe', 'Detection probe', (3, 4, 5)),
    )

    def __init__(self):
        self.reset()

    def reset(self):
        self.samplerate = None
        self.data = self.control = self.status = 0
        self.address = 0
        self.reading = False
        self.read_pulses = 0
        self.read_value = 0
        self.read_address = 0
        self.read_low = True
        self.commands = Commands()
        self.reads = Reads()
        self.probing = True
        self.samples = []
        self.cycle_start = 0
        self.clock_rose_at = None

    def start(self):
        self.out_ann = self.register(srd.OUTPUT_ANN)

    def metadata(self, key, value):
        if key == srd.SRD_CONF_SAMPLERATE:
            self.samplerate = value

    def put_text(self, start, cls, texts):
        self.put(start, self.samplenum, self.out_ann, [cls, texts])

    def cycle(self, kind, address, low, value, meaning):
        lane = 'low' if low else 'high'
        text = '%s 0x%06X %s 0x%02X' % (kind, address, lane, value)
        if meaning:
            text += ' ' + meaning
        cls = 0 if kind == 'write' else 2 if ' status: ' in meaning else 1
        short = '%s %06X %s %02X' % (kind[0].upper(), address, lane[0].upper(), value)
        self.put_text(self.cycle_start, cls, [text, short])
        self.cycle_start = self.samplenum
        self.probing = False  # the chip is being accessed: whatever probe there was is over

    def probe_lines(self, before, after, names):
        for bit, name in enumerate(names):
            if (before ^ after) & (1 << bit):
                level = '1' if after & (1 << bit) else '0'
                self.put_text(self.samplenum, 3, ['line %s = %s' % (name, level), level])

    def data_written(self, value):
        before, self.data = self.data, value
        if self.probing:
            self.probe_lines(before, value, DATA)
            if rose(before, value, SHIFT_CLOCK) and not self.marker_seen:
                self.clock_rose_at = self.samplenum
                self.samples = [bool(self.status & PRESENCE)] * 3
        if self.control & DATA_DRIVE:
            return  # the data lines carry a byte for the chip, not clocks
        if rose(before, value, SHIFT_CLOCK):
            self.address = ((self.address << 1) | (1 if value & SHIFT_BIT else 0)) & 0xFFFFFF
        if rose(before, value, READ_CLOCK):
            if value & SHIFT_BIT:
                self.reading = True
                self.read_pulses = 0
                self.read_value = 0
                self.read_address = self.address
                self.read_low = bool(self.control & BYTE_SELECT)
            elif self.reading:
                if not self.marker_seen:
                    self.read_bit(self.status)
                self.read_pulses += 1

    def control_written(self, value):
        before, self.control = self.control, value
        if self.probing:
            self.probe_lines(before, value, CONTROL)
            if self.samples and before & ENABLE and not value & ENABLE:
                self.probing = False
                self.put_text(self.samplenum, 5, ['probe ' + verdict(self.samples)])
        strobe = before & WRITE_STROBE and not value & WRITE_STROBE
        if strobe and value & ENABLE and value & DATA_DRIVE:
            low = bool(value & BYTE_SELECT)
            command = self.commands.name(self.address, low, self.data)
            self.reads.written(command, self.data)
            self.cycle('write', self.address, low, self.data, command)

    def read_bit(self, status):
        bit = 7 - self.read_pulses
        if not status & READ_BACK:  # the read-back line is inverted
            self.read_value |= 1 << bit
        if bit == 0:
            self.reading = False
            meaning = self.reads.meaning(self.read_address, self.read_low, self.read_value)
            self.cycle('read', self.read_address, self.read_low, self.read_value, meaning)

    def status_read(self, status):
        if self.reading and self.read_pulses < 8:
            self.read_bit(status)
        elif self.probing:
            present = 1 if status & PRESENCE else 0
            self.samples.append(bool(present))
            self.put_text(self.samplenum, 4, ['sample S7_presence = %d' % present, str(present)])

    def presence_changed(self, before, after):
        # Without the read marker only the lines' levels are known: the probe's first sample is
        # the answer when the shift clock rises; an answer dropped within 5 us of that is
        # Korvella+'s, a later drop Velmar/rev3b's.
        if not self.probing or self.clock_rose_at is None or not rose(after, before, PRESENCE):
            return
        if self.samplerate:
            delay = (self.samplenum - self.clock_rose_at) / self.samplerate
            self.samples[1:] = [delay >= 5e-6, False]

    def decode(self):
        # Whether the capture has the read marker shows when it first toggles: before the
        # probe's first sample is over, in every trace that has it.
        self.marker_seen = False
        used = list(range(len(WIRES))) + ([MARKER] if self.has_channel(MARKER) else [])
        bits = lambda first, count: sum(pins[first + i] << i for i in range(count))
        pins = self.wait({'skip': 0})  # the lines before the first edge
        self.data = bits(0, len(DATA))
        self.control = bits(len(DATA), len(CONTROL))
        self.status = bits(len(DATA) + len(CONTROL), len(STATUS)) << 6
        marker = pins[MARKER] if MARKER in used else 0
        while True:
            pins = self.wait([{i: 'e'} for i in used])
            data = bits(0, len(DATA))
            control = bits(len(DATA), len(CONTROL))
            status = bits(len(DATA) + len(CONTROL), len(STATUS)) << 6
            if data != self.data:
                self.data_written(data)
            if control != self.control:
                self.control_written(control)
            if MARKER in used and pins[MARKER] != marker:
                marker = pins[MARKER]
                self.marker_seen = True
                self.status = status
                self.status_read(status)
            elif status != self.status:
                before, self.status = self.status, status
                if not self.marker_seen:
                    self.presence_changed(before, status)
