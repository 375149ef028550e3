// SPDX-License-Identifier: MIT
// Which adapter hangs on the port: status bit 7 sampled three times after two line changes.
#include "driver/Korvella4v4.h"

std::int32_t Korvella4v4::detectHardware() {
    if (driverState == -1) {
        return -1;
    }
    // Zeroed shadows make the next two writes absolute, whatever the registers held.
    statusShadow = 0x00;
    controlShadow = 0x00;
    dataShadow = 0x00;

    modifyPort(PortRegister::Control, setBits(ControlLine::Enable));
    delayUs(15000);
    const bool first = sampleStatus(StatusLine::Presence);
    modifyPort(PortRegister::Data, setBits(DataLine::ShiftClock));
    delayUs(1);
    const bool second = sampleStatus(StatusLine::Presence);
    delayUs(10);
    const bool third = sampleStatus(StatusLine::Presence);

    modifyPort(PortRegister::Control,
               clearBits(ControlLine::DataDrive) | setBits(ControlLine::Idle));
    modifyPort(PortRegister::Data, clearBits(DataLine::ShiftClock));
    modifyPort(PortRegister::Control, clearBits(ControlLine::Enable));
    return adapterFromProbe(first, second, third);
}
