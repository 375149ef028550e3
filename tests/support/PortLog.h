// SPDX-License-Identifier: MIT
// The scripted port library's log and status script, and the bus cycles in a log of port
// accesses at LPT1, for the shipped program's runs on Linux and under Wine and for the driver's
// complete run. Cycles are written as the bus log writes them ("write  0x000555  low   0xF0
// reset"), decoded by the traces' own decoder.
#ifndef LPTFLASH_TESTS_SUPPORT_PORTLOG_H
#define LPTFLASH_TESTS_SUPPORT_PORTLOG_H

#include <cstddef>
#include <string>
#include <vector>

struct PortCall {
    char kind;  // 'W' or 'R'
    unsigned port;
    unsigned value;
};

// "W 890 0D", "R 889 7F": one call per line.
std::vector<PortCall> parseLog(const std::string& text);

// The first count accesses as "W 890 0D" and "R 889" (reads without their scripted value).
std::vector<std::string> accessStrings(const std::vector<PortCall>& accesses, size_t count);

// The bus cycles the calls make.
std::vector<std::string> busCycles(const std::vector<PortCall>& calls);

// The same for a log of "W 890 0D" and "R 889 7F" entries; any other entry ("D 10", a wait)
// stays in its place among the cycles.
std::vector<std::string> busCycles(const std::vector<std::string>& log);

// Cycles written out by hand: a write on the low lane with its command, a read.
std::string writeCycle(unsigned address, unsigned value, const char* command);
std::string readCycle(unsigned address, bool lowByte, unsigned value);

// Status bytes that answer the detection probe and then shift the given chip bytes in, with
// noise on every status bit that must not count.
std::string statusScript(const std::vector<bool>& probe, const std::vector<unsigned>& chipBytes);

// The construction writes and the detection probe, as every run that loads a usable library
// begins.
extern const std::vector<std::string> constructionAndProbe;

// The test run's bus cycles and the waits between them, as flashtest must make them, written
// once: "D 10" a wait in microseconds, "W 555 F0 reset" a write on the low lane, "R E low
// extended code 1/2" a read of the chip's next byte with what the bus log says it means.
extern const std::vector<std::string> testRunSequence;

// The sequence's bus cycles for a chip's bytes (first word low and high, manufacturer, device,
// bytes 14 and 15, the word after the erase low and high): with the waits or without; the reads
// bare, as busCycles gives them, or, with the name of the chip the bytes identify, as the bus
// log names them.
std::vector<std::string> reportCycles(const std::vector<unsigned>& chip, bool waits = false,
                                      const char* loggedChip = nullptr);

#endif
