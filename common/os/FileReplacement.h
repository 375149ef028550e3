// SPDX-License-Identifier: MIT
// A file's new contents put in its place in one step, so that no reader ever sees it half
// written and a crash leaves the old contents or the new, never a mix: a new file under a unique
// name in the same folder (never a link or a file already there) with the replaced file's mode
// (and, for root, its owner; on Windows its attributes but read-only), written whole, flushed to
// the disk, renamed over the file, and the folder flushed so that the rename lasts too.
#ifndef LPTFLASH_OS_FILEREPLACEMENT_H
#define LPTFLASH_OS_FILEREPLACEMENT_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace os {

class FileReplacement {
  public:
    FileReplacement() = default;
    ~FileReplacement() { discard(); }
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Makes the new file beside path, the file to replace (a link at path is replaced, not
    // followed). False, with the system's reason, when the folder takes no new file.
    bool begin(const std::string& path, std::string& problem);
    bool write(const void* data, std::size_t size, std::string& problem);
    // Flushes the new file to the disk and puts it at path: over the file there, or, onlyNew,
    // only where no file is yet (one another run made meanwhile makes it fail). False, with the
    // system's reason, when it failed; placed() then tells whether it is in place all the same,
    // its folder not flushed.
    bool commit(bool onlyNew, std::string& problem);
    bool placed() const { return inPlace; }
    // Gives the replacement up: closes the new file and, unless it is in place, removes it.
    void discard();
    const std::string& temporaryPath() const { return temporary; }

    // The new file, open for writing: to lock it before it is in place.
    std::intptr_t handle() const { return file; }
    // Hands the open file over; the caller closes it.
    std::intptr_t release();

  private:
    // The new file's name: the replaced one's, cut so that the whole stays within a folder's
    // name limit, this process, a time stamp and the attempt.
    static std::string temporaryName(const std::string& folder, const std::string& name,
                                     unsigned long process, unsigned long stamp, unsigned attempt);

    std::string target;
    std::string folder;  // with its closing separator; empty: the current folder
    std::string temporary;
    std::intptr_t file = -1;
    bool inPlace = false;
};

// The whole replacement at once: contents at path. False, with the system's reason, on failure.
bool replaceFile(const std::string& path, const std::string& contents, std::string& problem);

}  // namespace os

#endif
