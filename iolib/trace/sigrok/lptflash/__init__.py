# SPDX-License-Identifier: MIT
'''
The lptflash programmer adapter on a PC parallel port: the flash chip's bus cycles (24-bit
address shifted in serially, bytes read back serially, bytes written with a strobe), the
command each write belongs to, what each read's byte is, and the adapter detection probe.

Channels carry the port's register bits as lptflash's VCD traces name them (C0, C1, C3 and S7
are inverted on the cable: invert them for a capture taken at the connector). status_read,
optional, toggles at each read of the status register: with it the reads are decoded at the
moments the program sampled them; without it the read-back bit is taken at each read clock.
'''

from .pd import Decoder
