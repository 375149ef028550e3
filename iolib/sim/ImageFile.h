// SPDX-License-Identifier: MIT
// The OS side of the chip image: the file, locked for the whole run, and its replacement by a
// complete new file. Per OS, in sim/posix and sim/windows.
#ifndef LPTFLASH_SIM_IMAGEFILE_H
#define LPTFLASH_SIM_IMAGEFILE_H

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

class ImageFile {
  public:
    enum class Found : std::uint8_t { Opened, Missing, Refused };

    ImageFile() = default;
    ~ImageFile();  // gives up the lock
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;

    // Follows links to the file the path names, opens it and locks it for this run. Missing:
    // there is no file yet, and its folder takes new files. Refused (and why in problem): a file
    // another run holds, a read-only file, a folder that cannot be written, no regular file, a
    // file a save could not replace (a mount point, another user's in a sticky folder) or one
    // with other names (hard links). Changes nothing (a trial file is made and removed).
    Found open(const std::string& path, std::string& problem);
    std::uint64_t size() const { return bytes; }
    bool read(std::vector<std::uint8_t>& contents, std::string& problem);

    // Writes contents to a new, uniquely named file in the image's folder with the image's
    // mode, flushes it to the disk and renames it over the image (create: puts it where no file
    // may be yet); the lock passes to the new file. On failure the image is as it was, and
    // problem holds the system's reason.
    bool replace(const std::vector<std::uint8_t>& contents, bool create, std::string& problem);

    // Writes one byte in place, into the locked file, which is the one at the path (a replace
    // passes the lock with the file). A one-byte write is never seen half done, and a killed
    // process loses none: it reaches the disk at the next sync.
    bool writeByte(std::uint64_t offset, std::uint8_t value, std::string& problem);
    bool sync(std::string& problem);

  private:
    std::intptr_t handle = -1;
    std::string resolved;  // the image itself, links followed
    std::string folder;
    std::uint64_t bytes = 0;
};

}  // namespace sim

#endif
