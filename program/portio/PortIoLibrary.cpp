// SPDX-License-Identifier: MIT
#include "portio/PortIoLibrary.h"

PortIoLibrary portIoLibrary = {};

namespace {

template <typename Entry>
void resolve(Entry& entry, const char* name) {
    entry = reinterpret_cast<Entry>(findLibraryEntry(portIoLibrary.module, name));
}

}  // namespace

int loadPortIoLibrary() {
    portIoLibrary.module = openLibrary("io");
    if (portIoLibrary.module == nullptr) {
        return 1;
    }
    // Resolved in the library's documented order; a missing entry is left null, not reported.
    resolve(portIoLibrary.PortOut, "PortOut");
    resolve(portIoLibrary.PortWordOut, "PortWordOut");
    resolve(portIoLibrary.PortDWordOut, "PortDWordOut");
    resolve(portIoLibrary.PortIn, "PortIn");
    resolve(portIoLibrary.PortWordIn, "PortWordIn");
    resolve(portIoLibrary.PortDWordIn, "PortDWordIn");
    resolve(portIoLibrary.SetPortBit, "SetPortBit");
    resolve(portIoLibrary.ClrPortBit, "ClrPortBit");
    resolve(portIoLibrary.NotPortBit, "NotPortBit");
    resolve(portIoLibrary.GetPortBit, "GetPortBit");
    resolve(portIoLibrary.RightPortShift, "RightPortShift");
    resolve(portIoLibrary.LeftPortShift, "LeftPortShift");
    resolve(portIoLibrary.IsDriverInstalled, "IsDriverInstalled");
    return 0;
}

void unloadPortIoLibrary() {
    closeLibrary(portIoLibrary.module);
}
