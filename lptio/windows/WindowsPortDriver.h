// The port-access library InpOut32/InpOutx64 of this process's bitness, loaded at the first
// port access from beside io.dll or the DLL path, and Windows' list of parallel ports.
#ifndef LPTFLASH_LPTIO_WINDOWS_WINDOWSPORTDRIVER_H
#define LPTFLASH_LPTIO_WINDOWS_WINDOWSPORTDRIVER_H

#include "lptio/PortDriver.h"

class WindowsPortDriver : public PortDriver {
  public:
    std::string libraryName() const override;
    State load(std::string& reason) override;
    bool memoryIntegrityOn() override;
    bool listPorts(std::vector<ListedPort>& ports, std::string& reason) override;
    void outByte(std::uint16_t port, std::uint8_t value) override;
    std::uint8_t inByte(std::uint16_t port) override;

  private:
    // The library's entry points, stdcall with plain names.
    using Out32Entry = void(__stdcall*)(short port, short data);
    using Inp32Entry = short(__stdcall*)(short port);  // the byte read is the low byte

    bool tried = false;
    State state = State::LibraryMissing;
    std::string problem;
    Out32Entry out32 = nullptr;
    Inp32Entry inp32 = nullptr;
};

// Windows' message for a system error code, on one line.
std::string systemMessage(unsigned long error);

// The parallel ports Windows lists and the base of each, from the ports device class and each
// device's allocated I/O ranges; false, with the reason, when some device's ranges cannot be
// read (the ports found are kept).
bool listParallelPorts(std::vector<ListedPort>& ports, std::string& reason);

#endif
