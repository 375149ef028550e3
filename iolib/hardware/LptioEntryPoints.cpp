// SPDX-License-Identifier: MIT
// The exported entry points: the one process-wide PortAccess on the real system, configured
// from the environment when first used. The same on every OS.
#include "protocol/PortIoEntryPoints.h"

#include <cstdio>

#include "hardware/LibrarySetup.h"
#include "hardware/PortAccess.h"
#include "hardware/PortTraceObserver.h"
#include "os/MonotonicClock.h"

namespace {

struct Library {
    PortTraceObserver tracer{monotonicNanoseconds};
    PortAccess access{
        finder(), [](const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); },
        &tracer};

    std::unique_ptr<PortFinder> finder() {
        PortSetting setting = portSettingFromEnvironment();
        std::vector<std::string> traceProblems;
        // The traces are opened once the port is claimed (by the tracer): a run refused for its
        // settings or turned away from a port in use never touches another run's traces.
        tracer.trace().checkEnvironment(traceProblems);
        refuseOnProblems(setting, traceProblems);
        return portFinderFor(setting);
    }
};

PortAccess& portAccess() {
    static Library library;
    return library.access;
}

std::uint16_t address(short port) {
    return static_cast<std::uint16_t>(port);
}

}  // namespace

extern "C" {

void PORTIO_CALL PortOut(short port, char value) {
    portAccess().writeByte(address(port), static_cast<std::uint8_t>(value));
}

void PORTIO_CALL PortWordOut(short port, unsigned short value) {
    portAccess().writeWord(address(port), value);
}

void PORTIO_CALL PortDWordOut(short port, unsigned int value) {
    portAccess().writeDWord(address(port), value);
}

char PORTIO_CALL PortIn(short port) {
    return static_cast<char>(portAccess().readByte(address(port)));
}

unsigned short PORTIO_CALL PortWordIn(short port) {
    return portAccess().readWord(address(port));
}

unsigned int PORTIO_CALL PortDWordIn(short port) {
    return portAccess().readDWord(address(port));
}

void PORTIO_CALL SetPortBit(short port, unsigned char bit) {
    portAccess().setBit(address(port), bit);
}

void PORTIO_CALL ClrPortBit(short port, unsigned char bit) {
    portAccess().clearBit(address(port), bit);
}

void PORTIO_CALL NotPortBit(short port, unsigned char bit) {
    portAccess().toggleBit(address(port), bit);
}

int PORTIO_CALL GetPortBit(short port, unsigned char bit) {
    return portAccess().getBit(address(port), bit);
}

void PORTIO_CALL RightPortShift(short port, int count) {
    portAccess().shiftRight(address(port), count);
}

void PORTIO_CALL LeftPortShift(short port, int count) {
    portAccess().shiftLeft(address(port), count);
}

int PORTIO_CALL IsDriverInstalled(void) {
    return portAccess().reachable() ? 1 : 0;
}

}  // extern "C"
