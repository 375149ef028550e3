// Reading the scripted port library's log, and scripting its status reads, for the shipped
// program's end-to-end runs on Linux and under Wine.
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

std::vector<PortCall> parseLog(const std::string& text);

// The first count accesses as "W 890 0D" and "R 889" (reads without their scripted value).
std::vector<std::string> accessStrings(const std::vector<PortCall>& accesses, size_t count);

// Bus cycles decoded from the lines by the bus log's decoder; writes without their byte lane.
std::vector<std::string> busCycles(const std::vector<PortCall>& calls);

// Status bytes that answer the detection probe and then shift the given chip bytes in, with
// noise on every status bit that must not count.
std::string statusScript(const std::vector<bool>& probe, const std::vector<unsigned>& chipBytes);

// The construction writes and the detection probe, as every run that loads a usable library
// begins.
extern const std::vector<std::string> constructionAndProbe;

// The bus cycles of a complete run on the sample chip.
extern const std::vector<std::string> reportCycles;

#endif
