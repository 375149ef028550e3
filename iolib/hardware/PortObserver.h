// SPDX-License-Identifier: MIT
// Sees every byte the program writes to or reads from a port, as the program saw it.
#ifndef LPTFLASH_HARDWARE_PORTOBSERVER_H
#define LPTFLASH_HARDWARE_PORTOBSERVER_H

#include <cstdint>
#include <string>

class PortObserver {
  public:
    virtual ~PortObserver() = default;
    // The registers as read once the port was opened, before the program's first access.
    virtual void portOpened(std::uint16_t base, std::uint8_t data, std::uint8_t status,
                            std::uint8_t control) = 0;
    virtual void portWritten(std::uint16_t address, std::uint8_t value) = 0;
    virtual void portRead(std::uint16_t address, std::uint8_t value) = 0;
    // What the library itself changed on the port when opening it, before the program's use.
    virtual void portNoted(const std::string& text) { (void)text; }
};

#endif
