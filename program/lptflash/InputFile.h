// SPDX-License-Identifier: MIT
// The file that verify and write take, read whole before the chip is touched.
#ifndef LPTFLASH_LPTFLASH_INPUTFILE_H
#define LPTFLASH_LPTFLASH_INPUTFILE_H

#include <cstdint>
#include <string>
#include <vector>

// At most limit bytes; a longer file is refused (problem says so) without reading it all.
bool readInputFile(const std::string& path, std::uint64_t limit, std::vector<std::uint8_t>& data,
                   std::string& problem);

#endif
