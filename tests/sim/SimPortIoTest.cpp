// SPDX-License-Identifier: MIT
// The simulator's wider entry points against the byte ones: each byte to its own port, the
// lowest byte at the lowest port. The data register (0x378) and the control register (0x37A)
// read back what was written; the status register (0x379) ignores writes.
#include <gtest/gtest.h>

#include "protocol/PortIoEntryPoints.h"

namespace {

struct WideWrite {
    void (*write)(short port, unsigned int value);
    short port;
    unsigned int value;
    std::uint8_t data;     // what the data register then reads
    std::uint8_t control;  // and the control register
};

void wordOut(short port, unsigned int value) {
    PortWordOut(port, static_cast<unsigned short>(value));
}

TEST(SimPortIo, WideWritesGoLowestByteFirstToConsecutivePorts) {
    const WideWrite writes[] = {
        {wordOut, 0x378, 0xBEEF, 0xEF, 0x00},
        {wordOut, 0x379, 0x0C5A, 0xEF, 0x0C},
        {PortDWordOut, 0x378, 0x04332211, 0x11, 0x33},
    };
    for (const WideWrite& wide : writes) {
        PortOut(0x37A, 0);
        wide.write(wide.port, wide.value);
        EXPECT_EQ(static_cast<std::uint8_t>(PortIn(0x378)), wide.data) << std::hex << wide.value;
        EXPECT_EQ(static_cast<std::uint8_t>(PortIn(0x37A)), wide.control) << std::hex << wide.value;
    }
}

}  // namespace
