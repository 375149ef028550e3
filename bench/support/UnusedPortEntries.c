// SPDX-License-Identifier: MIT
/* The entry points flashtest resolves but never calls, for the benchmarks' port libraries: the
 * program loads a library only when they are all there. */
#include "protocol/PortIoEntryPoints.h"

void PORTIO_CALL PortWordOut(short port, unsigned short value) {
    (void)port;
    (void)value;
}

void PORTIO_CALL PortDWordOut(short port, unsigned int value) {
    (void)port;
    (void)value;
}

unsigned short PORTIO_CALL PortWordIn(short port) {
    (void)port;
    return 0;
}

unsigned int PORTIO_CALL PortDWordIn(short port) {
    (void)port;
    return 0;
}

void PORTIO_CALL SetPortBit(short port, unsigned char bit) {
    (void)port;
    (void)bit;
}

void PORTIO_CALL ClrPortBit(short port, unsigned char bit) {
    (void)port;
    (void)bit;
}

void PORTIO_CALL NotPortBit(short port, unsigned char bit) {
    (void)port;
    (void)bit;
}

int PORTIO_CALL GetPortBit(short port, unsigned char bit) {
    (void)port;
    (void)bit;
    return 0;
}

void PORTIO_CALL RightPortShift(short port, int count) {
    (void)port;
    (void)count;
}

void PORTIO_CALL LeftPortShift(short port, int count) {
    (void)port;
    (void)count;
}

int PORTIO_CALL IsDriverInstalled(void) {
    return 1;
}
