// Sees every byte the program writes to or reads from a port, as the program saw it.
#ifndef LPTFLASH_LPTIO_PORTOBSERVER_H
#define LPTFLASH_LPTIO_PORTOBSERVER_H

#include <cstdint>

class PortObserver {
  public:
    virtual ~PortObserver() = default;
    virtual void portWritten(std::uint16_t address, std::uint8_t value) = 0;
    virtual void portRead(std::uint16_t address, std::uint8_t value) = 0;
};

#endif
