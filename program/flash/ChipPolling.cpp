// SPDX-License-Identifier: MIT
// The embedded erase and program algorithms, waited for by the status the chip gives on its data
// lines while it works.
#include "flash/ChipOperations.h"
#include "flash/SendCommand.h"
#include "flash/Stopwatch.h"
#include "protocol/ChipCommandSet.h"

namespace {

using namespace ChipCommand;

// An erase takes seconds: a poll every 10 ms keeps the port quiet and the trace short.
constexpr std::uint32_t ErasePollIntervalUs = 10000;

bool dataBitDone(std::uint8_t status, std::uint8_t expected) {
    return ((status ^ expected) & DataPollingBit) == 0;
}

// A failed or abandoned operation leaves the chip in status mode until it is reset.
ChipOutcome resetAfter(FlashChip& chip, ChipOutcome outcome) {
    chip.writeByte(0x000, ResetCode);
    chip.delayUs(10);
    return outcome;
}

// Data polling: DQ7 reads the complement of the expected bit 7 until the chip is done. DQ5 may
// rise in the same moment that DQ7 turns true, so DQ5 counts only if a second read still has
// DQ7 wrong.
ChipOutcome pollDataBit(FlashChip& chip, std::uint32_t address, std::uint8_t expected,
                        std::uint64_t limitUs, std::uint32_t intervalUs, const PollReport& report) {
    const Stopwatch watch;
    for (;;) {
        const std::uint8_t status = chip.readByte(address);
        if (dataBitDone(status, expected)) {
            return ChipOutcome::Done;
        }
        if ((status & TimeLimitBit) != 0) {
            return dataBitDone(chip.readByte(address), expected)
                       ? ChipOutcome::Done
                       : resetAfter(chip, ChipOutcome::Failed);
        }
        const std::uint64_t elapsed = watch.elapsedUs();
        if (elapsed > limitUs) {
            return resetAfter(chip, ChipOutcome::TimedOut);
        }
        if (report && !report(elapsed)) {
            return ChipOutcome::Stopped;
        }
        if (intervalUs > 0) {
            chip.delayUs(intervalUs);
        }
    }
}

}  // namespace

ChipOutcome eraseWholeChip(FlashChip& chip, std::uint64_t limitUs, const PollReport& report) {
    chip.beginAccess();
    chip.writeByte(0x000, ResetCode);
    chip.delayUs(10);
    sendCommand(chip, ChipEraseCommand);
    const ChipOutcome outcome =
        pollDataBit(chip, 0x000, 0xFF, limitUs, ErasePollIntervalUs, report);
    chip.endAccess();
    return outcome;
}

ChipOutcome programByte(FlashChip& chip, std::uint32_t address, std::uint8_t value,
                        std::uint64_t limitUs) {
    sendCommand(chip, ProgramCommand);
    chip.writeByte(address, value);
    return pollDataBit(chip, address, value, limitUs, 0, nullptr);
}
