// SPDX-License-Identifier: MIT
// A private copy of a port I/O library: loaded from a file of its own, so that it has its own
// state and reads its environment afresh, whatever copies the process holds already.
#ifndef LPTFLASH_BENCH_PRIVATEPORTLIBRARY_H
#define LPTFLASH_BENCH_PRIVATEPORTLIBRARY_H

#include <map>
#include <string>

#include "protocol/PortIoEntryPoints.h"

// The two entry points the program calls, in the shape HandDrivenLines drives.
struct PortEntries {
    PortOutEntry portOut = nullptr;
    PortInEntry portIn = nullptr;
    void out(short port, char value) { portOut(port, value); }
    char in(short port) { return portIn(port); }
};

class PrivatePortLibrary {
  public:
    // Copies libraryFile into folder and loads the copy. The environment (an empty value
    // removes the name) holds while it loads and makes its first port read, then is restored.
    PrivatePortLibrary(const std::string& libraryFile, const std::string& folder,
                       const std::map<std::string, std::string>& environment);
    ~PrivatePortLibrary();
    PrivatePortLibrary(const PrivatePortLibrary&) = delete;
    PrivatePortLibrary& operator=(const PrivatePortLibrary&) = delete;

    // Empty when the copy could not be made or loaded, or lacks PortOut or PortIn.
    const std::string& problem() const { return failure; }
    PortEntries entries() const { return loaded; }

  private:
    void* handle = nullptr;
    PortEntries loaded;
    std::string failure;
};

#endif
