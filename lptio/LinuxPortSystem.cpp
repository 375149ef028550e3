#include "lptio/LinuxPortSystem.h"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define LPTIO_HAS_IO_PORTS 1
#else
#define LPTIO_HAS_IO_PORTS 0
#endif

namespace {

int resultOf(int returned) {
    return returned == 0 ? 0 : errno;
}

}  // namespace

int LinuxPortSystem::deviceMajor(const std::string& path, unsigned& major) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return errno;
    }
    major = S_ISCHR(info.st_mode) ? ::major(info.st_rdev) : 0;
    return 0;
}

int LinuxPortSystem::openDevice(const std::string& path, int& handle) {
    handle = open(path.c_str(), O_RDWR | O_CLOEXEC);
    return handle >= 0 ? 0 : errno;
}

int LinuxPortSystem::deviceCall(int handle, DeviceCall call, std::uint8_t& value) {
    // Each ioctl completes on the port before it returns: nothing is queued.
    unsigned char byte = value;
    int direction = 0;
    int result = 0;
    switch (call) {
        case DeviceCall::Claim:
            return resultOf(ioctl(handle, PPCLAIM));
        case DeviceCall::Release:
            return resultOf(ioctl(handle, PPRELEASE));
        case DeviceCall::WriteData:
            return resultOf(ioctl(handle, PPWDATA, &byte));
        case DeviceCall::WriteControl:
            return resultOf(ioctl(handle, PPWCONTROL, &byte));
        case DeviceCall::ReadData:
            result = resultOf(ioctl(handle, PPRDATA, &byte));
            break;
        case DeviceCall::ReadControl:
            result = resultOf(ioctl(handle, PPRCONTROL, &byte));
            break;
        case DeviceCall::ReadStatus:
            result = resultOf(ioctl(handle, PPRSTATUS, &byte));
            break;
        case DeviceCall::DataForward:
            return resultOf(ioctl(handle, PPDATADIR, &direction));
        case DeviceCall::DataReverse:
            direction = 1;
            return resultOf(ioctl(handle, PPDATADIR, &direction));
    }
    value = byte;
    return result;
}

void LinuxPortSystem::closeDevice(int handle) {
    close(handle);
}

#if LPTIO_HAS_IO_PORTS

int LinuxPortSystem::grantPorts(std::uint16_t first, unsigned count) {
    return resultOf(ioperm(first, count, 1));
}

void LinuxPortSystem::outByte(std::uint16_t port, std::uint8_t value) {
    outb(value, port);
}

std::uint8_t LinuxPortSystem::inByte(std::uint16_t port) {
    return inb(port);
}

#else

// Only x86 has a separate I/O port space.
int LinuxPortSystem::grantPorts(std::uint16_t, unsigned) {
    return EOPNOTSUPP;
}

void LinuxPortSystem::outByte(std::uint16_t, std::uint8_t) {}

std::uint8_t LinuxPortSystem::inByte(std::uint16_t) {
    return 0xFF;
}

#endif
