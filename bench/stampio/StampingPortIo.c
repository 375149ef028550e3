// SPDX-License-Identifier: MIT
/* Port I/O library that reaches no port and stamps every PortOut and PortIn with
 * CLOCK_MONOTONIC, first thing in the call, into memory. The stamps are written out at exit to
 * the file named by LPTFLASH_STAMP_FILE, one line each: nanoseconds, "out" or "in", port,
 * value. Seen from here, a wait between two calls is the time between their stamps, whatever
 * program made them.
 * LPTFLASH_STAMP_STATUS (a number, 0 if unset) is what every PortIn returns. */
#define _POSIX_C_SOURCE 200809L
#include "protocol/PortIoEntryPoints.h"

#include <stdio.h>
#include <stdlib.h>
#include <time.h>

enum { Capacity = 1 << 16 };

struct Stamp {
    long long ns;
    unsigned short port;
    unsigned char value;
    unsigned char isRead;
};

/* The one process-wide state: filled by the calls, written out once at exit. */
static struct {
    struct Stamp stamps[Capacity];
    unsigned count;
    unsigned lost;
    unsigned char status;
} record;

static long long stampNow(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

static void keep(long long ns, short port, unsigned char value, unsigned char isRead) {
    if (record.count == Capacity) {
        ++record.lost;
        return;
    }
    struct Stamp* stamp = &record.stamps[record.count++];
    stamp->ns = ns;
    stamp->port = (unsigned short)port;
    stamp->value = value;
    stamp->isRead = isRead;
}

__attribute__((constructor)) static void readSettings(void) {
    const char* status = getenv("LPTFLASH_STAMP_STATUS");
    record.status = status != NULL ? (unsigned char)strtoul(status, NULL, 0) : 0;
}

__attribute__((destructor)) static void writeStamps(void) {
    const char* path = getenv("LPTFLASH_STAMP_FILE");
    if (path == NULL || *path == '\0') {
        return;
    }
    FILE* file = fopen(path, "w");
    if (file == NULL) {
        perror(path);
        return;
    }
    for (unsigned i = 0; i < record.count; ++i) {
        const struct Stamp* stamp = &record.stamps[i];
        fprintf(file, "%lld %s %u 0x%02X\n", stamp->ns, stamp->isRead ? "in" : "out", stamp->port,
                stamp->value);
    }
    if (record.lost != 0) {
        fprintf(file, "# %u calls past the first %d not kept\n", record.lost, Capacity);
    }
    if (fclose(file) != 0) {
        perror(path);
    }
}

void PORTIO_CALL PortOut(short port, char value) {
    keep(stampNow(), port, (unsigned char)value, 0);
}

char PORTIO_CALL PortIn(short port) {
    keep(stampNow(), port, record.status, 1);
    return (char)record.status;
}
