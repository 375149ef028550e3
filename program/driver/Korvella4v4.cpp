// SPDX-License-Identifier: MIT
#include "driver/Korvella4v4.h"

#include "os/MonotonicClock.h"
#include "portio/PortIoLibrary.h"

namespace {

bool portIoLibraryUsable(int loadResult) {
    // Without PortOut or PortIn the library cannot drive the port, whatever else it offers.
    return loadResult == 0 && portIoLibrary.IsDriverInstalled != nullptr &&
           portIoLibrary.PortOut != nullptr && portIoLibrary.PortIn != nullptr;
}

}  // namespace

Korvella4v4::Korvella4v4(std::int32_t basePort)
    : basePort(basePort), counterFrequency(queryCounterFrequency()) {
    // The first counter reads of a process are cold and would overstate the overhead.
    (void)queryCounter();
    const std::int64_t first = queryCounter();
    const std::int64_t second = queryCounter();
    counterOverhead = static_cast<std::uint32_t>(second) - static_cast<std::uint32_t>(first);

    driverState = portIoLibraryUsable(loadPortIoLibrary()) ? 1 : -1;
    if (driverState != 1) {
        return;
    }
    dataShadow = DataLine::Idle;
    writeRegister(PortRegister::Data, dataShadow);
    statusShadow = 0x00;
    writeRegister(PortRegister::Status, statusShadow);
    controlShadow = ControlLine::Idle;
    writeRegister(PortRegister::Control, controlShadow);
    controlShadow = applyChange(controlShadow, clearBits(ControlLine::Enable));
    writeRegister(PortRegister::Control, controlShadow);
}

Korvella4v4::~Korvella4v4() {
    if (driverState == 1) {
        controlShadow = applyChange(controlShadow,
                                    clearBits(ControlLine::DataDrive) | setBits(ControlLine::Idle));
        writeRegister(PortRegister::Control, controlShadow);
        controlShadow = applyChange(controlShadow, clearBits(ControlLine::Enable));
        writeRegister(PortRegister::Control, controlShadow);
    }
    unloadPortIoLibrary();
}

void Korvella4v4::modifyPort(PortRegister portRegister, ChangeWord change) {
    std::uint8_t* shadow = portRegister == PortRegister::Data      ? &dataShadow
                           : portRegister == PortRegister::Status  ? &statusShadow
                           : portRegister == PortRegister::Control ? &controlShadow
                                                                   : nullptr;
    if (shadow == nullptr) {
        return;  // no such register: nothing to change
    }
    *shadow = applyChange(*shadow, change);
    writeRegister(portRegister, *shadow);
}

void Korvella4v4::writeRegister(PortRegister portRegister, std::uint8_t value) {
    const auto port =
        static_cast<std::uint16_t>(basePort + static_cast<std::int32_t>(portRegister));
    portIoLibrary.PortOut(static_cast<short>(port), static_cast<char>(value));
}

std::uint8_t Korvella4v4::readStatus() {
    const auto port =
        static_cast<std::uint16_t>(basePort + static_cast<std::int32_t>(PortRegister::Status));
    return static_cast<std::uint8_t>(portIoLibrary.PortIn(static_cast<short>(port)));
}

bool Korvella4v4::sampleStatus(std::uint8_t line) {
    return (readStatus() & line) != 0;
}
