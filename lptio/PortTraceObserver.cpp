#include "lptio/PortTraceObserver.h"

#include "lptio/PortAddress.h"

void PortTraceObserver::portWritten(std::uint16_t address, std::uint8_t value) {
    portTrace.written(clock(), static_cast<PortRegister>(registerOffsetOf(address)), value);
}

void PortTraceObserver::portRead(std::uint16_t address, std::uint8_t value) {
    portTrace.read(clock(), static_cast<PortRegister>(registerOffsetOf(address)), value);
}

void PortTraceObserver::portOpened(std::uint16_t, std::uint8_t data, std::uint8_t status,
                                   std::uint8_t control) {
    portTrace.initialValues(data, status, control);
}
