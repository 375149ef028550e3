// SPDX-License-Identifier: MIT
// A root folder holding what the kernel would show about its parallel ports.
#ifndef LPTFLASH_TESTS_LPTIO_FAKEPARPORTTREE_H
#define LPTFLASH_TESTS_LPTIO_FAKEPARPORTTREE_H

#include <filesystem>
#include <string>

#include "ProgramRun.h"

class FakeParportTree {
  public:
    // baseAddr: the contents of base-addr, as "888\t1912\n".
    void addPort(const std::string& name, const std::string& baseAddr) {
        const std::filesystem::path folder = root() + "/proc/sys/dev/parport/" + name;
        std::filesystem::create_directories(folder);
        writeWholeFile((folder / "base-addr").string(), baseAddr);
    }

    // The driver's name for whoever has the port claimed: "lp0", "ppdev0".
    void holdPort(const std::string& name, const std::string& holder) {
        const std::filesystem::path folder = root() + "/proc/sys/dev/parport/" + name + "/devices";
        std::filesystem::create_directories(folder);
        writeWholeFile((folder / "active").string(), holder + "\n");
    }

    void listCharacterDevices(bool withPpdev) {
        std::filesystem::create_directories(root() + "/proc");
        writeWholeFile(root() + "/proc/devices",
                       std::string("Character devices:\n  1 mem\n  4 tty\n") +
                           (withPpdev ? " 99 ppdev\n" : "") + "\nBlock devices:\n  7 loop\n");
    }

    void listIoPorts(const std::string& text) {
        std::filesystem::create_directories(root() + "/proc");
        writeWholeFile(root() + "/proc/ioports", text);
    }

    // A PCI device as sysfs shows it: classCode "0x070102", resource lines "start end flags".
    void addPciDevice(const std::string& address, const std::string& classCode,
                      const std::string& resource) {
        const std::string device = root() + "/sys/bus/pci/devices/" + address;
        std::filesystem::create_directories(device);
        writeWholeFile(device + "/class", classCode + "\n");
        writeWholeFile(device + "/resource", resource);
    }

    const std::string& root() const { return folder.path(); }

  private:
    TemporaryFolder folder;
};

#endif
