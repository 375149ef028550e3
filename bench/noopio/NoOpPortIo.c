/* Stand-in port I/O library that reaches no port: each entry point costs one call and one
 * memory access, so what the program's own layers add to a port operation can be measured
 * against it. */
#include "portio/PortIoEntryPoints.h"

/* volatile: every call really stores or loads, as a call into a port library would. */
static volatile unsigned char lastWritten;
static volatile unsigned char statusLines;

void PORTIO_CALL PortOut(short port, char value) {
    (void)port;
    lastWritten = (unsigned char)value;
}

void PORTIO_CALL PortWordOut(short port, unsigned short value) {
    (void)port;
    lastWritten = (unsigned char)value;
}

void PORTIO_CALL PortDWordOut(short port, unsigned int value) {
    (void)port;
    lastWritten = (unsigned char)value;
}

char PORTIO_CALL PortIn(short port) {
    (void)port;
    return (char)statusLines;
}

unsigned short PORTIO_CALL PortWordIn(short port) {
    (void)port;
    return statusLines;
}

unsigned int PORTIO_CALL PortDWordIn(short port) {
    (void)port;
    return statusLines;
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
