// SPDX-License-Identifier: MIT
/* Test-only port I/O library: records every port access and answers status reads from a script.
 *   SCRIPTIO_LOG     file that gets one line per access: "W 890 0D", "R 889 7F"
 *   SCRIPTIO_STATUS  status bytes answered in order, in hex ("FF 7F 3F"); 0xFF once they run out,
 *                    as floating lines read
 * Built in variants that leave out one entry point, to stand for broken libraries, and as a
 * stand-in for Windows' port-access library (SCRIPTIO_AS_PORT_DRIVER): its three entry points
 * over emulated registers, data and control keeping what was written.
 *   SCRIPTIO_DRIVER_CLOSED=1  its kernel driver is not running
 *   SCRIPTIO_LOADED           file that gets a line each time a process loads it (the real one
 *                             installs its driver then)
 *   SCRIPTIO_FLOATING=1       no port answers: every read gives 0xFF */
#include "protocol/PortIoEntryPoints.h"

#include <stdio.h>
#include <stdlib.h>

static FILE* logFile(void) {
    static FILE* file;
    static int opened;
    if (!opened) {
        const char* path = getenv("SCRIPTIO_LOG");
        opened = 1;
        file = path != NULL ? fopen(path, "w") : NULL;
    }
    return file;
}

static void record(char kind, short port, unsigned char value) {
    FILE* file = logFile();
    if (file != NULL) {
        fprintf(file, "%c %u %02X\n", kind, (unsigned short)port, value);
        fflush(file);
    }
}

static unsigned char nextStatus(void) {
    static const char* cursor;
    static int started;
    if (!started) {
        started = 1;
        cursor = getenv("SCRIPTIO_STATUS");
    }
    if (cursor == NULL) {
        return 0xFF;
    }
    char* end = NULL;
    unsigned long value = strtoul(cursor, &end, 16);
    if (end == cursor) {
        cursor = NULL;
        return 0xFF;
    }
    cursor = end;
    return (unsigned char)value;
}

#ifdef SCRIPTIO_AS_PORT_DRIVER
static unsigned char latched[4]; /* data, -, control, - of the one emulated port */

int __stdcall DllMain(void* module, unsigned long reason, void* reserved) {
    const char* path = getenv("SCRIPTIO_LOADED");
    FILE* marker = reason == 1 && path != NULL ? fopen(path, "ab") : NULL; /* process attach */
    if (marker != NULL) {
        fputs("loaded\n", marker);
        fclose(marker);
    }
    return (void)module, (void)reserved, 1;
}

static int switchedOn(const char* name) {
    const char* value = getenv(name);
    return value != NULL && value[0] == '1';
}

__declspec(dllexport) void __stdcall Out32(short port, short data) {
    record('W', port, (unsigned char)data);
    latched[port & 3] = (unsigned char)data;
}

__declspec(dllexport) short __stdcall Inp32(short port) {
    unsigned char value = switchedOn("SCRIPTIO_FLOATING") ? 0xFF
                          : (port & 3) == 1               ? nextStatus()
                                                          : latched[port & 3];
    record('R', port, value);
    return value;
}

__declspec(dllexport) int __stdcall IsInpOutDriverOpen(void) {
    return !switchedOn("SCRIPTIO_DRIVER_CLOSED");
}

#else

#ifndef SCRIPTIO_WITHOUT_PORTOUT
void PORTIO_CALL PortOut(short port, char value) {
    record('W', port, (unsigned char)value);
}
#endif

char PORTIO_CALL PortIn(short port) {
    unsigned char value = nextStatus();
    record('R', port, value);
    return (char)value;
}

#ifndef SCRIPTIO_WITHOUT_ISDRIVERINSTALLED
int PORTIO_CALL IsDriverInstalled(void) {
    return 1;
}
#endif

/* Present so that a load resolves every name; the program never calls them. */
void PORTIO_CALL PortWordOut(short port, unsigned short value) {
    (void)port, (void)value;
}
void PORTIO_CALL PortDWordOut(short port, unsigned int value) {
    (void)port, (void)value;
}
unsigned short PORTIO_CALL PortWordIn(short port) {
    return (void)port, 0xFFFF;
}
unsigned int PORTIO_CALL PortDWordIn(short port) {
    return (void)port, 0xFFFFFFFFu;
}
void PORTIO_CALL SetPortBit(short port, unsigned char bit) {
    (void)port, (void)bit;
}
void PORTIO_CALL ClrPortBit(short port, unsigned char bit) {
    (void)port, (void)bit;
}
void PORTIO_CALL NotPortBit(short port, unsigned char bit) {
    (void)port, (void)bit;
}
int PORTIO_CALL GetPortBit(short port, unsigned char bit) {
    return (void)port, (void)bit, 1;
}
void PORTIO_CALL RightPortShift(short port, int count) {
    (void)port, (void)count;
}
void PORTIO_CALL LeftPortShift(short port, int count) {
    (void)port, (void)count;
}

#endif
