// SPDX-License-Identifier: MIT
// The entry points of the outside port I/O library "io": the one declaration shared by the
// program, which resolves them at run time, and by the stand-in libraries, which define them.
// Ports are 16-bit I/O addresses; byte values are register contents as on the wire.
#ifndef LPTFLASH_PROTOCOL_PORTIOENTRYPOINTS_H
#define LPTFLASH_PROTOCOL_PORTIOENTRYPOINTS_H

#include "protocol/PortIoAbi.h"

#ifdef __cplusplus
extern "C" {
#endif

PORTIO_EXPORT void PORTIO_CALL PortOut(short port, char value);
PORTIO_EXPORT void PORTIO_CALL PortWordOut(short port, unsigned short value);
PORTIO_EXPORT void PORTIO_CALL PortDWordOut(short port, unsigned int value);
PORTIO_EXPORT char PORTIO_CALL PortIn(short port);
PORTIO_EXPORT unsigned short PORTIO_CALL PortWordIn(short port);
PORTIO_EXPORT unsigned int PORTIO_CALL PortDWordIn(short port);
PORTIO_EXPORT void PORTIO_CALL SetPortBit(short port, unsigned char bit);
PORTIO_EXPORT void PORTIO_CALL ClrPortBit(short port, unsigned char bit);
PORTIO_EXPORT void PORTIO_CALL NotPortBit(short port, unsigned char bit);
PORTIO_EXPORT int PORTIO_CALL GetPortBit(short port, unsigned char bit);
PORTIO_EXPORT void PORTIO_CALL RightPortShift(short port, int count);
PORTIO_EXPORT void PORTIO_CALL LeftPortShift(short port, int count);
PORTIO_EXPORT int PORTIO_CALL IsDriverInstalled(void);

typedef void(PORTIO_CALL* PortOutEntry)(short port, char value);
typedef void(PORTIO_CALL* PortWordOutEntry)(short port, unsigned short value);
typedef void(PORTIO_CALL* PortDWordOutEntry)(short port, unsigned int value);
typedef char(PORTIO_CALL* PortInEntry)(short port);
typedef unsigned short(PORTIO_CALL* PortWordInEntry)(short port);
typedef unsigned int(PORTIO_CALL* PortDWordInEntry)(short port);
typedef void(PORTIO_CALL* PortBitEntry)(short port, unsigned char bit);
typedef int(PORTIO_CALL* GetPortBitEntry)(short port, unsigned char bit);
typedef void(PORTIO_CALL* PortShiftEntry)(short port, int count);
typedef int(PORTIO_CALL* IsDriverInstalledEntry)(void);

#ifdef __cplusplus
}
#endif

#endif
