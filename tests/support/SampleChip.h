// SPDX-License-Identifier: MIT
// A chip whose bytes catch formatting faults, and the report it must give.
#ifndef LPTFLASH_TESTS_SUPPORT_SAMPLECHIP_H
#define LPTFLASH_TESTS_SUPPORT_SAMPLECHIP_H

#include <vector>

// In the order the report shifts them in: first word (low, high), manufacturer, device, bytes
// 14 and 15, the word after the erase (low, high). The first word needs three hex digits, the
// manufacturer code is below 0x10, bytes 14 and 15 differ.
const std::vector<unsigned char> sampleChipBytes = {0xBC, 0x0A, 0x01, 0x7E, 0x21, 0x0C, 0xFF, 0xFF};

// The report lines after the detection line, up to the pause.
constexpr const char* sampleChipReport =
    "#READ:[00]=0xABC\n"
    "#ID:  [MAN]=0x01; [DEV]=0x7E\n"
    "#EXT: [DEV]=0x21; [DEV]=0x0C\n"
    "Erase in progress...\n"
    "Wait 300 seconds !\n"
    "#READ:[00]=0xFFFF\n"
    "\n";

#endif
