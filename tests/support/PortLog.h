// Reading the scripted port library's log, and scripting its status reads, for the shipped
// program's end-to-end runs on Linux and under Wine.
#ifndef LPTFLASH_TESTS_SUPPORT_PORTLOG_H
#define LPTFLASH_TESTS_SUPPORT_PORTLOG_H

#include <cstddef>
#include <string>
#include <vector>

struct PortAccess {
    char kind;  // 'W' or 'R'
    unsigned port;
    unsigned value;
};

std::vector<PortAccess> parseLog(const std::string& text);

// The first count accesses as "W 890 0D" and "R 889" (reads without their scripted value).
std::vector<std::string> accessStrings(const std::vector<PortAccess>& accesses, size_t count);

// Bus cycles as the adapter sees them on the lines after the probe: the address clocked in on
// data bit 1 at each rising edge of data bit 0 (while no data byte is driven), a byte written at
// the fall of the write strobe while it is driven, a byte read back as eight inverted samples of
// status bit 6.
std::vector<std::string> busCycles(const std::vector<PortAccess>& accesses, size_t probeEnd);

// Status bytes that answer the detection probe and then shift the given chip bytes in, with
// noise on every status bit that must not count.
std::string statusScript(const std::vector<bool>& probe, const std::vector<unsigned>& chipBytes);

// The construction writes and the detection probe, as every run that loads a usable library
// begins.
extern const std::vector<std::string> constructionAndProbe;

// The bus cycles of a complete run on the sample chip.
extern const std::vector<std::string> reportCycles;

#endif
