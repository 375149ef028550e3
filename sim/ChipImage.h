// The file that holds the simulated chip's contents between runs, like the chip itself would.
#ifndef LPTFLASH_SIM_CHIPIMAGE_H
#define LPTFLASH_SIM_CHIPIMAGE_H

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// What a chip holds before anything erased or programmed it: the text "LPTIO SIM " repeated,
// easy to tell apart from erased (0xFF) or cleared (0x00) contents in a hex dump.
std::vector<std::uint8_t> freshChipContents(std::size_t size);

// Loads exactly size bytes. A missing file starts from the fresh contents and is created.
// A file of another size, or one that cannot be read, is left alone: false, and why in problem.
bool loadChipImage(const std::string& path, std::size_t size, std::vector<std::uint8_t>& contents,
                   std::string& problem);

// Writes a temporary file beside the image and renames it over the image, so the image is
// never seen half written.
bool saveChipImage(const std::string& path, const std::vector<std::uint8_t>& contents,
                   std::string& problem);

}  // namespace sim

#endif
