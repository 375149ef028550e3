// Moves the port lines exactly as the program's adapter driver does (register shadows, change
// words, serial transfers, bus cycles), written from the line protocol rather than from the
// driver's code: the simulator's tests check it against the protocol, and the benchmarks use it
// as the layer-free baseline. Port: out(short port, char value) and char in(short port), shaped
// as the library's entry points, so a call inlines to exactly one entry-point call.
#ifndef LPTFLASH_TESTS_SUPPORT_LINEDRIVER_H
#define LPTFLASH_TESTS_SUPPORT_LINEDRIVER_H

#include <cstdint>

#include "driver/AdapterLines.h"
#include "driver/ChangeWord.h"

template <typename Port>
class LineDriver {
  public:
    explicit LineDriver(Port port, short basePort = 888) : port(port), basePort(basePort) {}

    // data 0x00, offset 1 0x00, control 0x09 twice
    void construct() {
        for (PortRegister offset : {PortRegister::Data, PortRegister::Status}) {
            shadow[registerOffset(offset)] = 0;
            write(offset);
        }
        shadow[registerOffset(PortRegister::Control)] = ControlLine::Idle;
        write(PortRegister::Control);
        write(PortRegister::Control);
    }

    void modify(PortRegister offset, ChangeWord change) {
        std::uint8_t& value = shadow[registerOffset(offset)];
        value = applyChange(value, change);
        write(offset);
    }

    void shiftOut(std::uint32_t value, int bitCount) {
        modify(PortRegister::Control, clearBits(ControlLine::DataDrive));
        for (int i = bitCount - 1; i >= 0; --i) {
            const bool one = ((value >> i) & 1) != 0;
            modify(PortRegister::Data,
                   one ? setBits(DataLine::ShiftBit) : clearBits(DataLine::ShiftBit));
            modify(PortRegister::Data, clearBits(DataLine::ShiftClock));
            modify(PortRegister::Data, setBits(DataLine::ShiftClock));
        }
        modify(PortRegister::Data, clearBits(DataLine::ShiftClock | DataLine::ShiftBit));
    }

    std::uint8_t shiftInByte() {
        modify(PortRegister::Control, clearBits(ControlLine::DataDrive));
        modify(PortRegister::Data, setBits(DataLine::ShiftBit));
        modify(PortRegister::Data, setBits(DataLine::ReadClock));
        modify(PortRegister::Data, clearBits(DataLine::ReadClock));
        modify(PortRegister::Data, clearBits(DataLine::ShiftBit));
        std::uint8_t result = 0;
        for (int n = 7; n >= 0; --n) {
            const auto status = static_cast<std::uint8_t>(
                port.in(static_cast<short>(basePort + registerOffset(PortRegister::Status))));
            modify(PortRegister::Data, setBits(DataLine::ReadClock));
            modify(PortRegister::Data, clearBits(DataLine::ReadClock));
            if ((status & StatusLine::ReadBack) == 0) {  // inverted
                result = static_cast<std::uint8_t>(result | (1u << n));
            }
        }
        return result;
    }

    void putData(std::uint8_t value) {
        modify(PortRegister::Control, setBits(ControlLine::DataDrive));
        modify(PortRegister::Data, writeExactly(value));
    }

    void beginAccess() { modify(PortRegister::Control, setBits(ControlLine::Enable)); }
    void selectHighByte() { modify(PortRegister::Control, clearBits(ControlLine::ByteSelect)); }
    void selectLowByte() { modify(PortRegister::Control, setBits(ControlLine::ByteSelect)); }

    std::uint8_t readByte(std::uint32_t address) {
        shiftOut(address, 24);
        return shiftInByte();
    }

    void writeByte(std::uint32_t address, std::uint8_t data) {
        shiftOut(address, 24);
        putData(data);
        modify(PortRegister::Control, setBits(ControlLine::WriteStrobe));
        modify(PortRegister::Control, clearBits(ControlLine::WriteStrobe));
        modify(PortRegister::Control, clearBits(ControlLine::DataDrive));
    }

    // The unlock cycles, then the command at 0x555.
    void command(std::uint8_t code) {
        writeByte(0x555, 0xAA);
        writeByte(0x2AA, 0x55);
        writeByte(0x555, code);
    }

  private:
    void write(PortRegister offset) {
        port.out(static_cast<short>(basePort + registerOffset(offset)),
                 static_cast<char>(shadow[registerOffset(offset)]));
    }

    Port port;
    short basePort;
    std::uint8_t shadow[PortRegisterCount] = {DataLine::Idle, 0, ControlLine::Idle};
};

#endif
