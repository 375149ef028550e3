// SPDX-License-Identifier: MIT
// The port-access library InpOut32/InpOutx64 of this process's bitness, loaded from beside
// io.dll or from Windows' system folder, and Windows' device lists.
#ifndef LPTFLASH_HARDWARE_WINDOWS_WINDOWSPORTDRIVER_H
#define LPTFLASH_HARDWARE_WINDOWS_WINDOWSPORTDRIVER_H

#include <string>

#include "hardware/PortDriver.h"

class WindowsPortDriver : public PortDriver {
  public:
    std::string libraryName() const override;
    State load(std::string& reason) override;
    bool elevated() override;
    bool codeIntegrityOptions(unsigned long& options) override;
    bool listDevices(bool everyDevice, std::vector<DeviceResources>& devices,
                     std::string& reason) override;
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

// A Windows name or text in ASCII, '?' for anything else.
std::string narrowed(const std::wstring& text);

// The present parallel ports (or every present device) with the I/O ranges Windows gave each,
// and how Windows answered for them; false, with the reason, when devices cannot be listed.
bool listWindowsDevices(bool everyDevice, std::vector<DeviceResources>& devices,
                        std::string& reason);

#endif
