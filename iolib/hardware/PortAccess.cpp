// SPDX-License-Identifier: MIT
#include "hardware/PortAccess.h"

#include "hardware/PortAddress.h"

namespace {

constexpr std::uint8_t Floating = 0xFF;

}  // namespace

PortAccess::PortAccess(std::unique_ptr<PortFinder> finder, MessageSink messages,
                       PortObserver* observer)
    : finder(std::move(finder)), messages(std::move(messages)), observer(observer) {}

PortAccess::Port& PortAccess::portFor(std::uint16_t base) {
    for (Port& port : ports) {
        // One claimed device per target: a second claim of it would wait for ever.
        if (port.base == base || finder->oneTarget()) {
            return port;
        }
    }
    OpenedPort opened = finder->open(base);
    if (!opened.message.empty()) {
        say(opened.message);
    }
    if (observer != nullptr && !opened.traceNote.empty()) {
        observer->portNoted(opened.traceNote);
    }
    // A trace starts from what the lines were, not from all low: the claim itself may set some.
    std::uint8_t data = 0, status = 0, control = 0;
    if (opened.channel != nullptr && observer != nullptr && opened.channel->read(0, data) == 0 &&
        opened.channel->read(1, status) == 0 && opened.channel->read(2, control) == 0) {
        observer->portOpened(base, data, status, control);
    }
    ports.push_back({base, std::move(opened.channel)});
    return ports.back();
}

PortChannel* PortAccess::channelFor(std::uint16_t address) {
    if (registerOffsetOf(address) >= PortRegisterCount) {
        if (reportedAddresses.insert(address).second) {
            say("lptio: " + hexAddress(address) +
                " is not a parallel port register (base, base+1, base+2): writes are dropped, "
                "reads give 0xFF");
        }
        return nullptr;
    }
    return portFor(portBaseOf(address)).channel.get();
}

void PortAccess::lose(std::uint16_t address, int error) {
    Port& port = portFor(portBaseOf(address));
    say("lptio: lost the port at " + hexAddress(port.base) + " (" + port.channel->route() +
        "): " + port.channel->failure(error) + "; reads give 0xFF from now on");
    port.channel.reset();
}

void PortAccess::say(const std::string& message) {
    if (messages) {
        messages(message);
    }
}

void PortAccess::writeByte(std::uint16_t address, std::uint8_t value) {
    if (PortChannel* channel = channelFor(address)) {
        const int error = channel->write(registerOffsetOf(address), value);
        if (error != 0) {
            lose(address, error);
        }
    }
    if (observer != nullptr) {
        observer->portWritten(address, value);
    }
}

std::uint8_t PortAccess::readByte(std::uint16_t address) {
    std::uint8_t value = Floating;
    if (PortChannel* channel = channelFor(address)) {
        const int error = channel->read(registerOffsetOf(address), value);
        if (error != 0) {
            lose(address, error);
            value = Floating;
        }
    }
    if (observer != nullptr) {
        observer->portRead(address, value);
    }
    return value;
}

void PortAccess::writeWord(std::uint16_t address, std::uint16_t value) {
    writeByte(address, static_cast<std::uint8_t>(value));
    writeByte(static_cast<std::uint16_t>(address + 1), static_cast<std::uint8_t>(value >> 8));
}

std::uint16_t PortAccess::readWord(std::uint16_t address) {
    const unsigned low = readByte(address);
    const unsigned high = readByte(static_cast<std::uint16_t>(address + 1));
    return static_cast<std::uint16_t>(low | high << 8);
}

void PortAccess::writeDWord(std::uint16_t address, std::uint32_t value) {
    writeWord(address, static_cast<std::uint16_t>(value));
    writeWord(static_cast<std::uint16_t>(address + 2), static_cast<std::uint16_t>(value >> 16));
}

std::uint32_t PortAccess::readDWord(std::uint16_t address) {
    const std::uint32_t low = readWord(address);
    const std::uint32_t high = readWord(static_cast<std::uint16_t>(address + 2));
    return low | high << 16;
}

void PortAccess::changeBits(std::uint16_t address, unsigned bit,
                            const std::function<std::uint8_t(std::uint8_t, std::uint8_t)>& change) {
    if (bit > 7) {
        return;
    }
    const auto mask = static_cast<std::uint8_t>(1u << bit);
    writeByte(address, change(readByte(address), mask));
}

void PortAccess::setBit(std::uint16_t address, unsigned bit) {
    changeBits(address, bit, [](std::uint8_t old, std::uint8_t mask) {
        return static_cast<std::uint8_t>(old | mask);
    });
}

void PortAccess::clearBit(std::uint16_t address, unsigned bit) {
    changeBits(address, bit, [](std::uint8_t old, std::uint8_t mask) {
        return static_cast<std::uint8_t>(old & ~mask);
    });
}

void PortAccess::toggleBit(std::uint16_t address, unsigned bit) {
    changeBits(address, bit, [](std::uint8_t old, std::uint8_t mask) {
        return static_cast<std::uint8_t>(old ^ mask);
    });
}

int PortAccess::getBit(std::uint16_t address, unsigned bit) {
    if (bit > 7) {
        return 0;
    }
    return (readByte(address) >> bit) & 1;
}

void PortAccess::shiftRight(std::uint16_t address, int count) {
    if (count < 0) {
        return;
    }
    const std::uint8_t old = readByte(address);
    writeByte(address, count > 7 ? 0 : static_cast<std::uint8_t>(old >> count));
}

void PortAccess::shiftLeft(std::uint16_t address, int count) {
    if (count < 0) {
        return;
    }
    const std::uint8_t old = readByte(address);
    writeByte(address, count > 7 ? 0 : static_cast<std::uint8_t>(old << count));
}

bool PortAccess::reachable() {
    if (ports.empty()) {
        portFor(DefaultBase);
    }
    for (const Port& port : ports) {
        if (port.channel == nullptr) {
            return false;
        }
    }
    return true;
}
