// SPDX-License-Identifier: MIT
#include "FakePortIo.h"

#include <cstdio>

#include "os/MonotonicClock.h"
#include "portio/PortIoLibrary.h"

PortIoLibrary portIoLibrary = {};

namespace {

FakePortIo state;

std::string access(char kind, short port, unsigned value) {
    char text[32];
    std::snprintf(text, sizeof text, "%c %d %02X", kind, static_cast<unsigned short>(port),
                  value & 0xFF);
    return text;
}

void PORTIO_CALL fakePortOut(short port, char value) {
    state.log.push_back(access('W', port, static_cast<unsigned char>(value)));
    if (state.board) {
        state.board(port, static_cast<std::uint8_t>(value));
    }
}

char PORTIO_CALL fakePortIn(short port) {
    std::uint8_t answer = state.statusWhenScriptEnds;
    if (state.boardAnswer) {
        answer = state.boardAnswer(port);
    } else if (!state.statusAnswers.empty()) {
        answer = state.statusAnswers.front();
        state.statusAnswers.pop_front();
    }
    state.log.push_back(access('R', port, answer));
    return static_cast<char>(answer);
}

int PORTIO_CALL fakeIsDriverInstalled() {
    return 1;
}

char moduleToken;

}  // namespace

FakePortIo& fakePortIo() {
    return state;
}

void resetFakePortIo() {
    state = FakePortIo{};
    portIoLibrary = PortIoLibrary{};
}

int loadPortIoLibrary() {
    state.log.push_back("load");
    if (!state.libraryPresent) {
        portIoLibrary.module = nullptr;
        return 1;
    }
    portIoLibrary.module = &moduleToken;
    portIoLibrary.PortOut = state.exportsPortOut ? fakePortOut : nullptr;
    portIoLibrary.PortIn = state.exportsPortIn ? fakePortIn : nullptr;
    portIoLibrary.IsDriverInstalled =
        state.exportsIsDriverInstalled ? fakeIsDriverInstalled : nullptr;
    return 0;
}

void unloadPortIoLibrary() {
    state.log.push_back(portIoLibrary.module != nullptr ? "unload" : "unload null");
}

std::int64_t queryCounterFrequency() {
    return state.counterFrequency;
}

std::int64_t queryCounter() {
    ++state.counterReads;
    if (!state.counterValues.empty()) {
        state.lastCounterValue = state.counterValues.front();
        state.counterValues.pop_front();
    } else {
        ++state.lastCounterValue;
    }
    return state.lastCounterValue;
}
