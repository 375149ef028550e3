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

// Follows the writes on the chip's low byte lane through the commands. Reset and the program
// data byte are the caller's: they are not cycles of the table.
class Tracker {
  public:
    struct Step {
        const Cycle* cycle = nullptr;         // the command cycle the write was; null: none
        const Sequence* completed = nullptr;  // the command it completed
    };

    Step take(std::uint32_t address, std::uint8_t value) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            for (const Sequence* candidate : Commands) {
                if (continues(*candidate, address, value)) {
                    Step step{&candidate->cycles[taken], nullptr};
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

  private:
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
    std::uint8_t taken = 0;  // cycles of current matched so far
};

}  // namespace ChipCommand

#endif
