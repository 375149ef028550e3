#include "lptio/PortTraceObserver.h"

#include "lptio/PortAddress.h"

void PortTraceObserver::portWritten(std::uint16_t address, std::uint8_t value) {
    portTrace.written(clock(), static_cast<PortRegister>(registerOffsetOf(address)), value);
}

void PortTraceObserver::portRead(std::uint16_t address, std::uint8_t value) {
    portTrace.read(clock(), static_cast<PortRegister>(registerOffsetOf(address)), value);
}
