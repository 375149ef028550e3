#include "FakePortSystem.h"

#include <cerrno>
#include <cstdio>

std::string hexByte(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

namespace {

const char* callName(DeviceCall call) {
    switch (call) {
        case DeviceCall::Claim:
            return "Claim";
        case DeviceCall::Release:
            return "Release";
        case DeviceCall::WriteData:
            return "WriteData";
        case DeviceCall::WriteControl:
            return "WriteControl";
        case DeviceCall::ReadData:
            return "ReadData";
        case DeviceCall::ReadControl:
            return "ReadControl";
        case DeviceCall::ReadStatus:
            return "ReadStatus";
        case DeviceCall::DataForward:
            return "DataForward";
        case DeviceCall::DataReverse:
            return "DataReverse";
    }
    return "?";
}

bool carriesByte(DeviceCall call) {
    return call == DeviceCall::WriteData || call == DeviceCall::WriteControl;
}

}  // namespace

int FakePortSystem::deviceMajor(const std::string& path, unsigned& major) {
    calls.push_back("stat " + path);
    const auto device = devices.find(path);
    if (device == devices.end()) {
        return ENOENT;
    }
    major = device->second.major;
    return 0;
}

int FakePortSystem::openDevice(const std::string& path, int& handle) {
    calls.push_back("open " + path);
    const auto device = devices.find(path);
    if (device == devices.end()) {
        return ENOENT;
    }
    if (device->second.openError != 0) {
        return device->second.openError;
    }
    handle = nextHandle++;
    openHandles[handle] = path;
    return 0;
}

int FakePortSystem::deviceCall(int handle, DeviceCall call, std::uint8_t& value) {
    calls.push_back(std::string(callName(call)) + (carriesByte(call) ? " " + hexByte(value) : ""));
    const auto open = openHandles.find(handle);
    if (open == openHandles.end()) {
        return EBADF;
    }
    Device& device = devices[open->second];
    if (call == DeviceCall::Claim) {
        return device.claimError;
    }
    if (device.registerError != 0) {
        return device.registerError;
    }
    switch (call) {
        case DeviceCall::WriteData:
            device.data = value;
            break;
        case DeviceCall::WriteControl:
            device.control = value;
            break;
        case DeviceCall::ReadData:
            value = device.data;
            break;
        case DeviceCall::ReadControl:
            value = device.control;
            break;
        case DeviceCall::ReadStatus:
            value = device.status;
            break;
        default:
            break;
    }
    return 0;
}

void FakePortSystem::closeDevice(int handle) {
    calls.push_back("close");
    openHandles.erase(handle);
}

int FakePortSystem::grantPorts(std::uint16_t first, unsigned count) {
    calls.push_back("grant " + hexByte(first) + " " + std::to_string(count));
    return grantError;
}

void FakePortSystem::outByte(std::uint16_t port, std::uint8_t value) {
    calls.push_back("out " + hexByte(port) + " " + hexByte(value));
    ioPorts[port] = value;
}

std::uint8_t FakePortSystem::inByte(std::uint16_t port) {
    calls.push_back("in " + hexByte(port));
    const auto found = ioPorts.find(port);
    return found == ioPorts.end() ? 0xFF : found->second;
}
