/* Test-only port I/O library: records every port access and answers status reads from a script.
 *   SCRIPTIO_LOG     file that gets one line per access: "W 890 0D", "R 889 7F"
 *   SCRIPTIO_STATUS  status bytes answered in order, in hex ("FF 7F 3F"); 0xFF once they run out,
 *                    as floating lines read
 * Only the three entry points the program needs: the program must also work with a library that
 * lacks the others. Built in variants that leave out one more, to stand for broken libraries. */
#define PORTIO_BUILDING_LIBRARY
#include "portio/PortIoEntryPoints.h"

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
