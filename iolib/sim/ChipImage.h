// SPDX-License-Identifier: MIT
// The file that holds the simulated chip's contents between runs, like the chip itself would.
#ifndef LPTFLASH_SIM_CHIPIMAGE_H
#define LPTFLASH_SIM_CHIPIMAGE_H

#include <cstdint>
#include <string>
#include <vector>

#include "sim/ImageFile.h"

namespace sim {

// What a chip holds before anything erased or programmed it: the text "LPTIO SIM " repeated,
// easy to tell apart from erased (0xFF) or cleared (0x00) contents in a hex dump.
std::vector<std::uint8_t> freshChipContents(std::size_t size);

// One run's hold on the image: locked from load to exit, so two runs never share a chip.
class ChipImage {
  public:
    // Locks and loads exactly size bytes, or the fresh contents when there is no file yet (made
    // by createIfMissing). Writes nothing. A file of another size, or one that cannot be read,
    // locked or replaced, is left alone: false, and why in problem.
    bool load(const std::string& path, std::size_t size, std::vector<std::uint8_t>& contents,
              std::string& problem);
    bool createIfMissing(const std::vector<std::uint8_t>& contents, std::string& problem);

    // Replaces the image as a whole, so that it is never seen half written, even after a crash.
    bool save(const std::vector<std::uint8_t>& contents, std::string& problem);
    // Keeps the byte at offset, just programmed: written in place at once, so a killed run loses
    // none, and on the disk at the next sync. An image behind the chip (a save or a write
    // failed) is replaced as a whole instead, never patched into a mix of old and new.
    bool program(const std::vector<std::uint8_t>& contents, std::size_t offset,
                 std::string& problem);
    // Puts the bytes programmed since the last sync (or save) on the disk.
    bool sync(std::string& problem);

  private:
    ImageFile file;
    bool missing = false;
    bool behind = false;
    bool unsynced = false;
};

}  // namespace sim

#endif
