// SPDX-License-Identifier: MIT
/* Test-only preload: CLOCK_MONOTONIC (and CLOCK_MONOTONIC_RAW) run FASTCLOCK_SCALE times faster
 * (default 1000), so a run with its 300 s erase wait ends in well under a second. Only the pace
 * changes, never the order of what a program does, so nothing that uses it depends on the
 * machine's load. Preloaded into Wine's loader it speeds up the Windows performance counter
 * too, which Wine reads from CLOCK_MONOTONIC_RAW. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdint.h>
#include <stdlib.h>
#include <time.h>

/* The two clocks drift apart, so each keeps its own origin: a shared one would turn their
 * difference into a jump a thousand times as long. */
static int64_t scaled(clockid_t clock, int64_t now) {
    static int64_t scale;
    static int64_t origins[2] = {-1, -1};
    int64_t* origin = &origins[clock == CLOCK_MONOTONIC ? 0 : 1];
    if (scale == 0) {
        const char* text = getenv("FASTCLOCK_SCALE");
        scale = text != NULL ? strtoll(text, NULL, 10) : 1000;
        if (scale < 1) {
            scale = 1;
        }
    }
    if (*origin < 0) {
        *origin = now;
    }
    return *origin + (now - *origin) * scale;
}

static int isSpedUp(clockid_t clock) {
    return clock == CLOCK_MONOTONIC || clock == CLOCK_MONOTONIC_RAW;
}

int clock_gettime(clockid_t clock, struct timespec* result) {
    static int (*real)(clockid_t, struct timespec*);
    if (real == NULL) {
        real = (int (*)(clockid_t, struct timespec*))dlsym(RTLD_NEXT, "clock_gettime");
    }
    int status = real(clock, result);
    if (status != 0 || !isSpedUp(clock)) {
        return status;
    }
    int64_t now = scaled(clock, (int64_t)result->tv_sec * 1000000000 + result->tv_nsec);
    result->tv_sec = (time_t)(now / 1000000000);
    result->tv_nsec = (long)(now % 1000000000);
    return 0;
}

#if defined(__i386__)
/* 32-bit programs built for 64-bit time_t (32-bit Wine among them) call this one instead. */
struct Timespec64 {
    int64_t seconds;
    int32_t nanoseconds;
    int32_t padding;
};

int __clock_gettime64(clockid_t clock, struct Timespec64* result) {
    static int (*real)(clockid_t, struct Timespec64*);
    if (real == NULL) {
        real = (int (*)(clockid_t, struct Timespec64*))dlsym(RTLD_NEXT, "__clock_gettime64");
    }
    int status = real(clock, result);
    if (status != 0 || !isSpedUp(clock)) {
        return status;
    }
    int64_t now = scaled(clock, result->seconds * 1000000000 + result->nanoseconds);
    result->seconds = now / 1000000000;
    result->nanoseconds = (int32_t)(now % 1000000000);
    return 0;
}
#endif
