// SPDX-License-Identifier: MIT
#include "app/TestRun.h"

#include <cstdio>

#include "flash/FlashChip.h"

namespace {

int reportChip(FlashChip* chip) {
    std::printf("#READ:[00]=0x%.2X\n", static_cast<unsigned>(chip->readFirstWord()));
    const unsigned identifier = chip->readIdentifier();
    std::printf("#ID:  [MAN]=0x%.2X; [DEV]=0x%.2X\n", identifier & 0xFF, identifier >> 8 & 0xFF);
    const unsigned extended = chip->readExtendedIdentifier();
    std::printf("#EXT: [DEV]=0x%.2X; [DEV]=0x%.2X\n", extended & 0xFF, extended >> 8 & 0xFF);
    std::printf("#READ:[00]=0x%.2X\n", static_cast<unsigned>(chip->eraseChip()));
    delete chip;
    std::putchar('\n');
    return 0;
}

}  // namespace

int runTestSequence(ProgrammerDriver* driver) {
    FlashChip* chip = new FlashChip(driver);
    switch (chip->detectHardware()) {
        case -1:
            std::puts("IO driver not initialized !");
            return 1;  // chip kept: nothing is destroyed on a failed detection
        case 0:
            std::puts("H/W check failed !");
            return 1;
        case 1:
            std::puts("Velmar/rev3b detected !");
            break;
        case 2:
            std::puts("Korvella+ detected !");
            break;
        default:
            break;  // another driver's answer: no line, the report goes on
    }
    return reportChip(chip);
}
