// SPDX-License-Identifier: MIT
// A machine's port calls, scripted: devices with their answers, I/O ports as plain memory, and a
// log of every call in the order made.
#ifndef LPTFLASH_TESTS_LPTIO_FAKEPORTSYSTEM_H
#define LPTFLASH_TESTS_LPTIO_FAKEPORTSYSTEM_H

#include <cerrno>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "hardware/PortSystem.h"

inline std::string hexByte(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

class FakePortSystem : public PortSystem {
  public:
    struct Device {
        unsigned major = 99;  // ppdev's
        int openError = 0;
        int claimError = 0;
        int registerError = 0;  // answer of every register call once claimed
        std::map<DeviceCall, std::uint8_t> answers = {};  // of the read calls; unlisted ones give 0
    };

    std::map<std::string, Device> devices;  // a path not in here does not exist
    int grantError = 0;
    std::map<std::uint16_t, std::uint8_t> ioPorts;  // direct I/O; an absent port reads 0xFF
    std::vector<std::string> calls;                 // "open /dev/parport0", "WriteData 0x09", ...

    int deviceMajor(const std::string& path, unsigned& major) override {
        calls.push_back("stat " + path);
        if (devices.count(path) == 0) {
            return ENOENT;
        }
        major = devices[path].major;
        return 0;
    }

    int openDevice(const std::string& path, int& handle) override {
        calls.push_back("open " + path);
        handle = static_cast<int>(openPaths.size());
        openPaths.push_back(path);
        return devices[path].openError;
    }

    int deviceCall(int handle, DeviceCall call, std::uint8_t& value) override {
        static const char* const names[] = {"Claim",       "WriteData",   "WriteControl",
                                            "ReadData",    "ReadControl", "ReadStatus",
                                            "DataForward", "DataReverse"};
        const bool writes = call == DeviceCall::WriteData || call == DeviceCall::WriteControl;
        calls.push_back(names[static_cast<int>(call)] + (writes ? " " + hexByte(value) : ""));
        Device& device = devices[openPaths.at(static_cast<std::size_t>(handle))];
        if (call == DeviceCall::Claim || device.registerError != 0) {
            return call == DeviceCall::Claim ? device.claimError : device.registerError;
        }
        const auto answer = device.answers.find(call);
        if (answer != device.answers.end()) {
            value = answer->second;
        }
        return 0;
    }

    void closeDevice(int) override { calls.push_back("close"); }

    int grantPorts(std::uint16_t first, unsigned count) override {
        calls.push_back("grant " + hexByte(first) + " " + std::to_string(count));
        return grantError;
    }

    void outByte(std::uint16_t port, std::uint8_t value) override {
        calls.push_back("out " + hexByte(port) + " " + hexByte(value));
        ioPorts[port] = value;
    }

    std::uint8_t inByte(std::uint16_t port) override {
        calls.push_back("in " + hexByte(port));
        return ioPorts.count(port) != 0 ? ioPorts[port] : 0xFF;
    }

  private:
    std::vector<std::string> openPaths;  // by handle
};

#endif
