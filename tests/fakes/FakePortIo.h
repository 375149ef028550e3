// SPDX-License-Identifier: MIT
// A recording stand-in for the port I/O binding and the counter, put in at link time in place of
// portio/ and the platform counter.
#ifndef LPTFLASH_TESTS_FAKES_FAKEPORTIO_H
#define LPTFLASH_TESTS_FAKES_FAKEPORTIO_H

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

struct FakePortIo {
    // What the next load finds.
    bool libraryPresent = true;
    bool exportsIsDriverInstalled = true;
    bool exportsPortOut = true;
    bool exportsPortIn = true;

    // Status bytes answered by PortIn, in order; then statusWhenScriptEnds.
    std::deque<std::uint8_t> statusAnswers;
    std::uint8_t statusWhenScriptEnds = 0x00;
    // When set, a model of the adapter takes every write and answers every read instead.
    std::function<void(short port, std::uint8_t value)> board;
    std::function<std::uint8_t(short port)> boardAnswer;

    // Every port access and library event in order: "W 890 0D", "R 889 7F", "load", "unload".
    std::vector<std::string> log;

    // The counter: its rate, and the values of its next reads; the last one repeats +1 per read.
    std::int64_t counterFrequency = 1000000;
    std::deque<std::int64_t> counterValues;
    std::int64_t lastCounterValue = 0;
    int counterReads = 0;
};

// Reset to a fresh, usable library with an empty log before each test.
FakePortIo& fakePortIo();
void resetFakePortIo();

#endif
