// SPDX-License-Identifier: MIT
// The library's whole behaviour behind its entry points: I/O addresses to ports, opened at
// their first use, byte access and what is built on it (words, bits, shifts). A port that
// cannot be reached is reported once and then reads 0xFF, as floating lines do.
#ifndef LPTFLASH_HARDWARE_PORTACCESS_H
#define LPTFLASH_HARDWARE_PORTACCESS_H

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "hardware/PortFinder.h"
#include "hardware/PortObserver.h"
#include "protocol/AdapterLines.h"

class PortAccess {
  public:
    // Takes complete lines for the user, each beginning "lptio: ".
    using MessageSink = std::function<void(const std::string&)>;

    // observer may be null; it is not owned.
    PortAccess(std::unique_ptr<PortFinder> finder, MessageSink messages, PortObserver* observer);

    void writeByte(std::uint16_t address, std::uint8_t value);
    std::uint8_t readByte(std::uint16_t address);

    // Little-endian over consecutive addresses, one byte access each.
    void writeWord(std::uint16_t address, std::uint16_t value);
    std::uint16_t readWord(std::uint16_t address);
    void writeDWord(std::uint16_t address, std::uint32_t value);
    std::uint32_t readDWord(std::uint16_t address);

    // Read, change one bit (0-7), write back. Other bit numbers change nothing and read 0.
    void setBit(std::uint16_t address, unsigned bit);
    void clearBit(std::uint16_t address, unsigned bit);
    void toggleBit(std::uint16_t address, unsigned bit);
    int getBit(std::uint16_t address, unsigned bit);
    // Read, shift by count with zeros coming in, write back. A negative count changes nothing.
    void shiftRight(std::uint16_t address, int count);
    void shiftLeft(std::uint16_t address, int count);

    // Whether the ports in use can be reached; before any use, the one at DefaultBase.
    bool reachable();

    static constexpr std::uint16_t DefaultBase = Lpt1BasePort;

  private:
    struct Port {
        std::uint16_t base;
        std::unique_ptr<PortChannel> channel;  // null once found unreachable
    };

    Port& portFor(std::uint16_t base);
    PortChannel* channelFor(std::uint16_t address);
    void lose(std::uint16_t address, int error);
    void changeBits(std::uint16_t address, unsigned bit,
                    const std::function<std::uint8_t(std::uint8_t, std::uint8_t)>& change);
    void say(const std::string& message);

    std::unique_ptr<PortFinder> finder;
    MessageSink messages;
    PortObserver* observer;
    std::vector<Port> ports;
    std::set<std::uint16_t> reportedAddresses;
};

#endif
