// SPDX-License-Identifier: MIT
// The process-wide binding to the port I/O library "io": its module handle and entry table.
#ifndef LPTFLASH_PORTIO_PORTIOLIBRARY_H
#define LPTFLASH_PORTIO_PORTIOLIBRARY_H

#include "platform/LibraryLoader.h"
#include "protocol/PortIoEntryPoints.h"

struct PortIoLibrary {
    LibraryHandle module;  // result of the last load attempt, kept even when null
    PortOutEntry PortOut;
    PortWordOutEntry PortWordOut;
    PortDWordOutEntry PortDWordOut;
    PortInEntry PortIn;
    PortWordInEntry PortWordIn;
    PortDWordInEntry PortDWordIn;
    PortBitEntry SetPortBit;
    PortBitEntry ClrPortBit;
    PortBitEntry NotPortBit;
    GetPortBitEntry GetPortBit;
    PortShiftEntry RightPortShift;
    PortShiftEntry LeftPortShift;
    IsDriverInstalledEntry IsDriverInstalled;
};

// Zero-initialised at start, never freed; the system's only mutable global.
extern PortIoLibrary portIoLibrary;

// Loads "io" and resolves all thirteen entry points, present or not. 0 = loaded, 1 = not found.
int loadPortIoLibrary();

// Releases the library loaded last; the entry table keeps its pointers.
void unloadPortIoLibrary();

#endif
