// SPDX-License-Identifier: MIT
/* Stand-in port I/O library that reaches no port: each entry point costs one call and one
 * memory access, so what the program's own layers add to a port operation can be measured
 * against it. The entry points the program never calls are in support/UnusedPortEntries.c. */
#include "protocol/PortIoEntryPoints.h"

/* volatile: every call really stores or loads, as a call into a port library would. */
static volatile unsigned char lastWritten;
static volatile unsigned char statusLines;

void PORTIO_CALL PortOut(short port, char value) {
    (void)port;
    lastWritten = (unsigned char)value;
}

char PORTIO_CALL PortIn(short port) {
    (void)port;
    return (char)statusLines;
}
