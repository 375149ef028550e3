// SPDX-License-Identifier: MIT
// libFuzzer target: the simulated adapter and chip, and the trace's bus decoder, fed with any
// sequence of port writes, reads and clock steps. Two bytes per access: the low two bits of the
// first pick data write, control write, status write or read (of the register in the second
// byte), the rest advance the clock. The first byte of all picks the board and the chip.
// Beyond crashes and undefined behaviour: programming only ever clears bits, one byte at a time,
// and an erase leaves every byte 0xFF; the decoder reports exactly the chip cycles the board
// performs (a read once its byte is read back; one broken off is no cycle).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "sim/AdapterBoard.h"
#include "sim/ChipImage.h"
#include "trace/BusCycleDecoder.h"
#include "trace/CommandNamer.h"

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void checkChange(sim::FlashModel::Change change, const std::vector<std::uint8_t>& before,
                 const std::vector<std::uint8_t>& after) {
    std::size_t changed = 0;
    for (std::size_t i = 0; i < after.size(); ++i) {
        require(change != sim::FlashModel::Change::Erased || after[i] == 0xFF);
        if (change == sim::FlashModel::Change::Programmed && after[i] != before[i]) {
            require((after[i] & ~before[i]) == 0);
            ++changed;
        }
    }
    require(changed <= 1);
}

bool same(const sim::AdapterBoard::ChipCycle& performed, const trace::BusCycle& decoded) {
    return performed.write == (decoded.kind == trace::BusCycle::Kind::Write) &&
           performed.address == decoded.address && performed.lowByte == decoded.lowByte;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The catalog's chips, shrunk to 4 KiB so that every input runs in microseconds: addresses
    // wrap around a chip of any size alike.
    static const auto chips = [] {
        std::vector<sim::ChipType> shrunk;
        std::istringstream names(sim::chipNames());
        for (std::string name; std::getline(names >> std::ws, name, ',');) {
            shrunk.push_back(*sim::findChip(name));
            shrunk.back().sizeBytes = 4096;
        }
        return shrunk;
    }();
    const sim::ChipType& type = chips[data[0] % chips.size()];
    // A 1 µs erase, so that fuzzed runs see one end.
    sim::FlashModel chip(type, sim::freshChipContents(type.sizeBytes), 1000);
    sim::AdapterBoard board(static_cast<sim::BoardKind>(data[0] / 5 % 3), &chip);
    trace::BusCycleDecoder decoder;
    trace::CommandNamer namer;
    std::vector<std::uint8_t> before = chip.contents();
    std::optional<sim::AdapterBoard::ChipCycle> readBack;  // the read whose byte is shifted out
    std::int64_t now = 0;
    for (std::size_t i = 1; i + 1 < size; i += 2) {
        now += data[i] >> 2;
        const auto portRegister =
            static_cast<PortRegister>((data[i] & 3) == 3 ? data[i + 1] % 4 : data[i] & 3);
        trace::PortEvent event{now, trace::PortEvent::Direction::Write, portRegister, data[i + 1]};
        std::optional<sim::AdapterBoard::ChipCycle> performed;
        if ((data[i] & 3) == 3) {
            event.direction = trace::PortEvent::Direction::Read;
            event.value = board.read(portRegister);
            require(portRegister != PortRegister::Status || (event.value & 0x3F) == 0);
        } else {
            const auto change = board.write(portRegister, data[i + 1], now);
            if (change != sim::FlashModel::Change::None) {
                checkChange(change, before, chip.contents());
                before = chip.contents();
            }
            performed = board.lastChipCycle();
        }
        trace::BusCycle cycle{};
        const bool decoded = decoder.decode(event, cycle);
        if (decoded) {
            namer.name(cycle);
        }
        if (performed && !performed->write) {
            require(decoder.readingBack());
            readBack = performed;
        }
        const bool decodedWrite = decoded && cycle.kind == trace::BusCycle::Kind::Write;
        require(decodedWrite == (performed && performed->write));
        if (decodedWrite) {
            require(same(*performed, cycle) && cycle.value == performed->value);
        } else if (decoded) {
            // Each bit comes from one status read; one never made leaves its bit 0.
            require(readBack && same(*readBack, cycle) && (cycle.value & ~readBack->value) == 0);
            readBack.reset();
        }
    }
    return 0;
}
