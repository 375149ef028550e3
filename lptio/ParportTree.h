// What the kernel tells about its parallel ports, read below a root folder ("/" in use, a fake
// tree in tests).
#ifndef LPTFLASH_LPTIO_PARPORTTREE_H
#define LPTFLASH_LPTIO_PARPORTTREE_H

#include <cstdint>
#include <string>
#include <vector>

struct KernelPort {
    std::string name;  // "parport0"
    std::uint16_t base = 0;

    std::string devicePath() const { return "/dev/" + name; }
};

class ParportTree {
  public:
    explicit ParportTree(std::string root);

    // Every port with a readable base address, in the kernel's numbering order.
    std::vector<KernelPort> ports() const;
    // Whether the ppdev driver is in the kernel; without it there are no /dev/parportN.
    bool ppdevLoaded() const;

  private:
    std::string root;
};

#endif
