// A machine's port calls, scripted: devices with their answers, I/O ports as plain memory, and a
// log of every call in the order made.
#ifndef LPTFLASH_TESTS_LPTIO_FAKEPORTSYSTEM_H
#define LPTFLASH_TESTS_LPTIO_FAKEPORTSYSTEM_H

#include <map>
#include <string>
#include <vector>

#include "lptio/PortSystem.h"

class FakePortSystem : public PortSystem {
  public:
    struct Device {
        unsigned major = 99;  // ppdev's
        int openError = 0;
        int claimError = 0;
        int registerError = 0;  // answer of every register call once claimed
        std::uint8_t status = 0x00;
        std::uint8_t data = 0x00;
        std::uint8_t control = 0x00;
    };

    std::map<std::string, Device> devices;  // a path not in here does not exist
    int grantError = 0;
    std::map<std::uint16_t, std::uint8_t> ioPorts;  // direct I/O; an absent port reads 0xFF
    std::vector<std::string> calls;                 // "open /dev/parport0", "WriteData 0x09", ...

    int deviceMajor(const std::string& path, unsigned& major) override;
    int openDevice(const std::string& path, int& handle) override;
    int deviceCall(int handle, DeviceCall call, std::uint8_t& value) override;
    void closeDevice(int handle) override;
    int grantPorts(std::uint16_t first, unsigned count) override;
    void outByte(std::uint16_t port, std::uint8_t value) override;
    std::uint8_t inByte(std::uint16_t port) override;

  private:
    std::map<int, std::string> openHandles;
    int nextHandle = 3;
};

std::string hexByte(unsigned value);

#endif
