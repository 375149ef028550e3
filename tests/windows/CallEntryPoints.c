// SPDX-License-Identifier: MIT
/* Calls the io.dll beside it as the command line says, one entry point per argument
 * ("SetPortBit:890:3", "PortWordIn:888"), and prints what the reading ones return, one hex
 * number per line: the entry points flashtest.exe itself never calls. */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "protocol/PortIoEntryPoints.h"

typedef void (*AnyEntry)(void);

int main(int argc, char** argv) {
    HMODULE io = LoadLibraryA("io.dll");
    for (int i = 1; i < argc && io != NULL; ++i) {
        char name[32];
        unsigned port = 0, value = 0;
        if (sscanf(argv[i], "%31[^:]:%u:%u", name, &port, &value) < 2) {
            return 2;
        }
        AnyEntry entry = (AnyEntry)GetProcAddress(io, name);
        const short p = (short)port;
        if (entry == NULL) {
            return 3;
        } else if (strcmp(name, "PortWordOut") == 0) {
            ((PortWordOutEntry)entry)(p, (unsigned short)value);
        } else if (strcmp(name, "PortDWordOut") == 0) {
            ((PortDWordOutEntry)entry)(p, value);
        } else if (strcmp(name, "PortWordIn") == 0) {
            printf("%X\n", ((PortWordInEntry)entry)(p));
        } else if (strcmp(name, "PortDWordIn") == 0) {
            printf("%X\n", ((PortDWordInEntry)entry)(p));
        } else if (strcmp(name, "GetPortBit") == 0) {
            printf("%X\n", ((GetPortBitEntry)entry)(p, (unsigned char)value));
        } else if (strstr(name, "Shift") != NULL) {
            ((PortShiftEntry)entry)(p, (int)value);
        } else {
            ((PortBitEntry)entry)(p, (unsigned char)value);
        }
    }
    return io != NULL ? 0 : 1;
}
