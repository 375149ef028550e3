// SPDX-License-Identifier: MIT
/* Guest-side helper of the VM test, built static.
 *   vmtool hold DEVICE MODE  claims the port as another ppdev program would, says "claimed" and
 *                            holds it until SIGTERM; then releases it by closing the device
 *                            (MODE close), by PPRELEASE first (MODE ioctl), or, having claimed it
 *                            exclusively, by closing (MODE exclusive); and says "released".
 *   vmtool mark N            writes N to a register of the unused floppy controller, so that
 *                            QEMU's register trace shows where each scenario starts.
 */
#include <errno.h>
#include <fcntl.h>
#include <linux/ppdev.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/io.h>
#include <sys/ioctl.h>
#include <unistd.h>

static int hold(const char* device, const char* mode) {
    sigset_t term;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    sigprocmask(SIG_BLOCK, &term, NULL);
    int fd = open(device, O_RDWR);
    if (fd < 0) {
        printf("holder: cannot open %s: %s\n", device, strerror(errno));
        return 1;
    }
    if (strcmp(mode, "exclusive") == 0 && ioctl(fd, PPEXCL) != 0) {
        printf("holder: PPEXCL: %s\n", strerror(errno));
        return 1;
    }
    if (ioctl(fd, PPCLAIM) != 0) {
        printf("holder: PPCLAIM: %s\n", strerror(errno));
        return 1;
    }
    printf("holder: claimed\n");
    int signo = 0;
    sigwait(&term, &signo);
    if (strcmp(mode, "ioctl") == 0 && ioctl(fd, PPRELEASE) != 0) {
        printf("holder: PPRELEASE: %s\n", strerror(errno));
    }
    close(fd);
    printf("holder: released\n");
    return 0;
}

int main(int argc, char** argv) {
    setvbuf(stdout, NULL, _IOLBF, 0);
    if (argc == 4 && strcmp(argv[1], "hold") == 0) {
        return hold(argv[2], argv[3]);
    }
    if (argc == 3 && strcmp(argv[1], "mark") == 0) {
        const unsigned short floppyConfigControl = 0x3F7;
        if (ioperm(floppyConfigControl, 1, 1) != 0) {
            perror("vmtool: ioperm");
            return 1;
        }
        outb((unsigned char)strtoul(argv[2], NULL, 0), floppyConfigControl);
        return 0;
    }
    fprintf(stderr, "usage: vmtool hold DEVICE close|ioctl|exclusive | vmtool mark N\n");
    return 2;
}
