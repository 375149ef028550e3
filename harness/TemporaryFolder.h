// SPDX-License-Identifier: MIT
// Scratch folders and whole files, for tests and benchmarks that run the programs on copies.
#ifndef LPTFLASH_HARNESS_TEMPORARYFOLDER_H
#define LPTFLASH_HARNESS_TEMPORARYFOLDER_H

#include <string>

// A fresh empty folder below the system's temporary folder (or below another folder, where it
// exists), removed with everything in it when the object goes away.
class TemporaryFolder {
  public:
    explicit TemporaryFolder(const std::string& below = "");
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::string& path() const { return folder; }
    std::string file(const std::string& name) const { return folder + "/" + name; }

  private:
    std::string folder;
};

std::string readWholeFile(const std::string& path);
void writeWholeFile(const std::string& path, const std::string& contents);

#endif
