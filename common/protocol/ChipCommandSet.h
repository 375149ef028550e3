// SPDX-License-Identifier: MIT
// The unlock-cycle command set of parallel NOR flash chips, as the one table that the program's
// chip commands send, the simulated chip obeys and the bus log names.
#ifndef LPTFLASH_PROTOCOL_CHIPCOMMANDSET_H
#define LPTFLASH_PROTOCOL_CHIPCOMMANDSET_H

#include <cstdint>

namespace ChipCommand {

constexpr std::uint32_t UnlockAddress1 = 0x555;  // also where every command byte goes
constexpr std::uint32_t UnlockAddress2 = 0x2AA;
constexpr std::uint8_t Unlock1Code = 0xAA;
constexpr std::uint8_t Unlock2Code = 0x55;
constexpr std::uint8_t ResetCode = 0xF0;  // at any address, also inside a command
constexpr std::uint8_t AutoselectCode = 0x90;
constexpr std::uint8_t EraseSetupCode = 0x80;
constexpr std::uint8_t ChipEraseCode = 0x10;
constexpr std::uint8_t ProgramCode = 0xA0;  // the next write, at any address, is the data

// What a chip answers every read with while it erases or programs: DQ7 the complement of the
// bit 7 it writes (data polling; 0 for an erase), DQ6 changing from read to read (the toggle
// bit), DQ5 set once the operation has outlasted the chip's limit (it failed; a reset ends it).
constexpr std::uint8_t DataPollingBit = 0x80;
constexpr std::uint8_t ToggleBit = 0x40;
constexpr std::uint8_t TimeLimitBit = 0x20;

// Chips decode the command addresses from the low eleven address lines only.
constexpr bool isCommandAddress(std::uint32_t address, std::uint32_t commandAddress) {
    return (address & 0x7FF) == commandAddress;
}

struct Cycle {
    std::uint32_t address;
    std::uint8_t value;
    const char* name;  // as the bus log shows it
};

struct Sequence {
    std::uint8_t length;
    Cycle cycles[6];
};

inline constexpr Cycle FirstUnlock = {UnlockAddress1, Unlock1Code, "unlock 1/2"};
inline constexpr Cycle SecondUnlock = {UnlockAddress2, Unlock2Code, "unlock 2/2"};

inline constexpr Sequence AutoselectCommand = {
    3, {FirstUnlock, SecondUnlock, {UnlockAddress1, AutoselectCode, "autoselect"}}};
inline constexpr Sequence ChipEraseCommand = {6,
                                              {FirstUnlock,
                                               SecondUnlock,
                                               {UnlockAddress1, EraseSetupCode, "erase setup"},
                                               FirstUnlock,
                                               SecondUnlock,
                                               {UnlockAddress1, ChipEraseCode, "chip erase"}}};
inline constexpr Sequence ProgramCommand = {
    3, {FirstUnlock, SecondUnlock, {UnlockAddress1, ProgramCode, "program"}}};

inline constexpr const Sequence* Commands[] = {&AutoselectCommand, &ChipEraseCommand,
                                               &ProgramCommand};

// Where a chip in autoselect mode answers with its identifier codes instead of its data. Chips
// decode these addresses from the low eight address lines.
enum class Identifier : std::uint8_t {
    None,
    Manufacturer,  // 0
    Device,        // 1
    Protection,    // 2: the sector protection of the sector addressed
    Extended1,     // 14 and 15: the extended device code of chips that have one
    Extended2,
};
constexpr std::uint32_t ManufacturerAddress = 0x00;
constexpr std::uint32_t DeviceAddress = 0x01;
constexpr std::uint32_t ProtectionAddress = 0x02;
constexpr std::uint32_t Extended1Address = 0x0E;
constexpr std::uint32_t Extended2Address = 0x0F;

constexpr Identifier identifierAt(std::uint32_t address) {
    switch (address & 0xFF) {
        case ManufacturerAddress:
            return Identifier::Manufacturer;
        case DeviceAddress:
            return Identifier::Device;
        case ProtectionAddress:
            return Identifier::Protection;
        case Extended1Address:
            return Identifier::Extended1;
        case Extended2Address:
            return Identifier::Extended2;
        default:
            return Identifier::None;
    }
}

// Follows a chip's writes through the commands: what each write is to the chip.
class Tracker {
  public:
    enum class Kind : std::uint8_t {
        Unexpected,   // fits no command, and drops the one being entered
        Reset,        // 0xF0 on the low lane: at any address, also inside a command
        Command,      // a cycle of the table
        ProgramData,  // the write after a program command: the byte, at any address and lane
    };
    struct Step {
        Kind kind = Kind::Unexpected;
        const Cycle* cycle = nullptr;         // Command: the cycle it was
        const Sequence* completed = nullptr;  // the command it completed
    };

    // lowByte: the write went to the low byte lane, the only one commands travel on.
    Step take(std::uint32_t address, bool lowByte, std::uint8_t value) {
        if (programData) {
            programData = false;
            return {Kind::ProgramData};
        }
        if (!lowByte || value == ResetCode) {
            clear();
            return {lowByte ? Kind::Reset : Kind::Unexpected};
        }
        const Step step = command(address, value);
        programData = step.completed == &ProgramCommand;
        return step;
    }

  private:
    Step command(std::uint32_t address, std::uint8_t value) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            for (const Sequence* candidate : Commands) {
                if (continues(*candidate, address, value)) {
                    Step step{Kind::Command, &candidate->cycles[taken], nullptr};
                    current = candidate;
                    if (++taken == candidate->length) {
                        step.completed = candidate;
                        clear();
                    }
                    return step;
                }
            }
            if (taken == 0) {
                break;
            }
            clear();  // a broken command is dropped; the write may start a new one
        }
        return {};
    }

    void clear() {
        current = nullptr;
        taken = 0;
    }

    bool continues(const Sequence& candidate, std::uint32_t address, std::uint8_t value) const {
        if (taken >= candidate.length) {
            return false;
        }
        for (std::uint8_t i = 0; i < taken; ++i) {
            if (candidate.cycles[i].address != current->cycles[i].address ||
                candidate.cycles[i].value != current->cycles[i].value) {
                return false;
            }
        }
        const Cycle& next = candidate.cycles[taken];
        return isCommandAddress(address, next.address) && value == next.value;
    }

    const Sequence* current = nullptr;
    std::uint8_t taken = 0;    // cycles of current matched so far
    bool programData = false;  // the next write is the byte a program command writes
};

}  // namespace ChipCommand

#endif
