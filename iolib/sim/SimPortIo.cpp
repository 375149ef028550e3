// SPDX-License-Identifier: MIT
// The port I/O library's entry points, answered by the simulated port.
#include "protocol/PortIoEntryPoints.h"

#include "sim/Simulator.h"

namespace {

std::uint16_t portOf(short port) {
    return static_cast<std::uint16_t>(port);
}
std::uint8_t in(short port) {
    return sim::Simulator::instance().portIn(portOf(port));
}
void out(short port, std::uint8_t value) {
    sim::Simulator::instance().portOut(portOf(port), value);
}
short next(short port, int step) {
    return static_cast<short>(portOf(port) + step);
}

}  // namespace

extern "C" {

void PORTIO_CALL PortOut(short port, char value) {
    out(port, static_cast<std::uint8_t>(value));
}

// Wider accesses go to consecutive byte ports, lowest byte first.
void PORTIO_CALL PortWordOut(short port, unsigned short value) {
    out(port, static_cast<std::uint8_t>(value));
    out(next(port, 1), static_cast<std::uint8_t>(value >> 8));
}

void PORTIO_CALL PortDWordOut(short port, unsigned int value) {
    for (int i = 0; i < 4; ++i) {
        out(next(port, i), static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

char PORTIO_CALL PortIn(short port) {
    return static_cast<char>(in(port));
}

unsigned short PORTIO_CALL PortWordIn(short port) {
    const unsigned low = in(port);
    return static_cast<unsigned short>(low | static_cast<unsigned>(in(next(port, 1))) << 8);
}

unsigned int PORTIO_CALL PortDWordIn(short port) {
    unsigned int value = 0;
    for (int i = 0; i < 4; ++i) {
        value |= static_cast<unsigned int>(in(next(port, i))) << (8 * i);
    }
    return value;
}

void PORTIO_CALL SetPortBit(short port, unsigned char bit) {
    out(port, static_cast<std::uint8_t>(in(port) | (1u << (bit & 7))));
}

void PORTIO_CALL ClrPortBit(short port, unsigned char bit) {
    out(port, static_cast<std::uint8_t>(in(port) & ~(1u << (bit & 7))));
}

void PORTIO_CALL NotPortBit(short port, unsigned char bit) {
    out(port, static_cast<std::uint8_t>(in(port) ^ (1u << (bit & 7))));
}

int PORTIO_CALL GetPortBit(short port, unsigned char bit) {
    return (in(port) >> (bit & 7)) & 1;
}

void PORTIO_CALL RightPortShift(short port, int count) {
    out(port, static_cast<std::uint8_t>(count >= 8 || count < 0 ? 0 : in(port) >> count));
}

void PORTIO_CALL LeftPortShift(short port, int count) {
    out(port, static_cast<std::uint8_t>(count >= 8 || count < 0 ? 0 : in(port) << count));
}

int PORTIO_CALL IsDriverInstalled(void) {
    return 1;
}

}  // extern "C"
