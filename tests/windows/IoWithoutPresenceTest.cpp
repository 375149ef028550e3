// A port I/O library that has every entry point but IsDriverInstalled, as a broken or foreign
// io.dll may. The program must take it as unusable; every call that reaches it anyway is
// reported on stderr so that a test can see the port was never touched.
#define PORTIO_BUILDING_LIBRARY
#include "portio/PortIoEntryPoints.h"

#include <cstdio>

namespace {

void report(const char* entry, short port) {
    std::fprintf(stderr, "%s called on port %d\n", entry, port);
}

}  // namespace

extern "C" {

void PORTIO_CALL PortOut(short port, char) {
    report("PortOut", port);
}
void PORTIO_CALL PortWordOut(short port, unsigned short) {
    report("PortWordOut", port);
}
void PORTIO_CALL PortDWordOut(short port, unsigned int) {
    report("PortDWordOut", port);
}
char PORTIO_CALL PortIn(short port) {
    report("PortIn", port);
    return 0;
}
unsigned short PORTIO_CALL PortWordIn(short port) {
    report("PortWordIn", port);
    return 0;
}
unsigned int PORTIO_CALL PortDWordIn(short port) {
    report("PortDWordIn", port);
    return 0;
}
void PORTIO_CALL SetPortBit(short port, unsigned char) {
    report("SetPortBit", port);
}
void PORTIO_CALL ClrPortBit(short port, unsigned char) {
    report("ClrPortBit", port);
}
void PORTIO_CALL NotPortBit(short port, unsigned char) {
    report("NotPortBit", port);
}
int PORTIO_CALL GetPortBit(short port, unsigned char) {
    report("GetPortBit", port);
    return 0;
}
void PORTIO_CALL RightPortShift(short port, int) {
    report("RightPortShift", port);
}
void PORTIO_CALL LeftPortShift(short port, int) {
    report("LeftPortShift", port);
}

}  // extern "C"
