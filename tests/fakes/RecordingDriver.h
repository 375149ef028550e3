// A ProgrammerDriver that records each call it receives and answers shifts from a script.
#ifndef LPTFLASH_TESTS_FAKES_RECORDINGDRIVER_H
#define LPTFLASH_TESTS_FAKES_RECORDINGDRIVER_H

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "driver/ProgrammerDriver.h"

class RecordingDriver : public ProgrammerDriver {
  public:
    // "delay 10", "control 0004", "data 0100", "status 0080", "shiftOut 000555/24", "shiftIn",
    // "putData F0", "detect".
    std::vector<std::string> calls;
    std::deque<std::uint8_t> shiftInAnswers;  // 0x00 once they run out
    std::int32_t detectResult = 2;
    std::function<void(std::uint32_t)> onDelay;  // called for each wait, after it is recorded

    void delayUs(std::uint32_t microseconds) override;
    void modifyPort(PortRegister portRegister, ChangeWord change) override;
    void shiftOut(std::uint32_t value, std::uint8_t bitCount) override;
    std::uint8_t shiftInByte() override;
    void putData(std::uint8_t value) override;
    std::int32_t detectHardware() override;
};

#endif
