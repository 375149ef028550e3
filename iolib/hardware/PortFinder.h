// SPDX-License-Identifier: MIT
// The OS side of the library: finds and opens the parallel port behind the program's I/O
// addresses, or says why it cannot. Linux reaches ports through ppdev or direct I/O, Windows
// through a port-access library; everything above this seam is the same on both.
#ifndef LPTFLASH_HARDWARE_PORTFINDER_H
#define LPTFLASH_HARDWARE_PORTFINDER_H

#include <cstdint>
#include <memory>
#include <string>

#include "hardware/PortChannel.h"

struct OpenedPort {
    std::unique_ptr<PortChannel> channel;  // null: the port cannot be reached
    // Without a channel, why not and the fix; with one, a note worth reading, or empty.
    std::string message;
    // What opening changed on the port (a mode register set), for the traces; or empty.
    std::string traceNote = "";
};

class PortFinder {
  public:
    virtual ~PortFinder() = default;
    virtual OpenedPort open(std::uint16_t programBase) = 0;
    // Every base the program uses goes to the one port the user chose.
    virtual bool oneTarget() const = 0;
};

#endif
