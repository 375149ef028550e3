// SPDX-License-Identifier: MIT
// What the kernel tells about its parallel ports, read below a root folder ("/" in use, a fake
// tree in tests).
#ifndef LPTFLASH_HARDWARE_PARPORTTREE_H
#define LPTFLASH_HARDWARE_PARPORTTREE_H

#include <cstdint>
#include <string>
#include <vector>

struct KernelPort {
    std::string name;  // "parport0"
    std::uint16_t base = 0;
    std::string holder;  // the driver's name for whoever has the port claimed ("lp0"), or ""

    std::string devicePath() const { return "/dev/" + name; }
};

class ParportTree {
  public:
    explicit ParportTree(std::string root);

    // Every port with a readable base address, in the kernel's numbering order.
    std::vector<KernelPort> ports() const;
    // Whether the ppdev driver is in the kernel; without it there are no /dev/parportN.
    bool ppdevLoaded() const;
    // Whether direct I/O may use count ports from first: none below 0x100, and /proc/ioports
    // gives none of them to a driver other than a parallel port's ("parport0"); bus windows do
    // not count. Otherwise false, with the reason ("/proc/ioports gives 0cf8-0cff to PCI conf1").
    bool ioRangeFree(std::uint16_t first, unsigned count, std::string& why) const;
    // Whether count ports from first are known to be a parallel port's: at a legacy base
    // (0x378, 0x278, 0x3bc), or in an I/O range of a PCI parallel port controller (class
    // 0x0701) as sysfs gives it. Otherwise false, with the list of what is known.
    bool knownParallelPort(std::uint16_t first, unsigned count, std::string& why) const;

  private:
    std::string root;
};

#endif
