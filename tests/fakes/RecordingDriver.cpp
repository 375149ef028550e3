#include "RecordingDriver.h"

#include <cstdio>

namespace {

std::string format(const char* pattern, unsigned first, unsigned second = 0) {
    char text[48];
    std::snprintf(text, sizeof text, pattern, first, second);
    return text;
}

}  // namespace

void RecordingDriver::delayUs(std::uint32_t microseconds) {
    calls.push_back(format("delay %u", microseconds));
    if (onDelay) {
        onDelay(microseconds);
    }
}

void RecordingDriver::modifyPort(PortRegister portRegister, ChangeWord change) {
    const char* name = portRegister == PortRegister::Data      ? "data"
                       : portRegister == PortRegister::Status  ? "status"
                       : portRegister == PortRegister::Control ? "control"
                                                               : "register?";
    calls.push_back(std::string(name) + format(" %04X", change));
}

void RecordingDriver::shiftOut(std::uint32_t value, std::uint8_t bitCount) {
    calls.push_back(format("shiftOut %06X/%u", value, bitCount));
}

std::uint8_t RecordingDriver::shiftInByte() {
    calls.push_back("shiftIn");
    if (shiftInAnswers.empty()) {
        return 0x00;
    }
    const std::uint8_t answer = shiftInAnswers.front();
    shiftInAnswers.pop_front();
    return answer;
}

void RecordingDriver::putData(std::uint8_t value) {
    calls.push_back(format("putData %02X", value));
}

std::int32_t RecordingDriver::detectHardware() {
    calls.push_back("detect");
    return detectResult;
}
