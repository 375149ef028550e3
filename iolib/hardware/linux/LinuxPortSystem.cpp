// SPDX-License-Identifier: MIT
#include "hardware/linux/LinuxPortSystem.h"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <functional>

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

// The host program's own handling of the wake signal while a bounded call borrows it: a signal
// handler reaches nothing else.
struct sigaction hostAction = {};

// Marks the signals of our own timer; the host may run timers on the same signal.
void* const TimerMark = &hostAction;

// Without SA_RESTART the timer's signal makes the blocked call return. The same signal from
// anywhere else is the host's: it gets it as its own handling would have.
void interruptOrPass(int signalNumber, siginfo_t* info, void* context) {
    if (info->si_code == SI_TIMER && info->si_value.sival_ptr == TimerMark) {
        return;
    }
    if ((hostAction.sa_flags & SA_SIGINFO) != 0) {
        hostAction.sa_sigaction(signalNumber, info, context);
    } else if (hostAction.sa_handler == SIG_DFL) {
        // Its default ends the process: so it does, as if the call had never borrowed it.
        sigaction(signalNumber, &hostAction, nullptr);
        raise(signalNumber);
    } else if (hostAction.sa_handler != SIG_IGN) {
        hostAction.sa_handler(signalNumber);
    }
}

bool timerFired(timer_t timer) {
    // A one-shot timer reads zero once it has fired.
    itimerspec left{};
    return timer_gettime(timer, &left) == 0 && left.it_value.tv_sec == 0 &&
           left.it_value.tv_nsec == 0;
}

}  // namespace

int callWithin(unsigned milliseconds, const std::function<int()>& call) {
    // A real-time signal that the program is unlikely to use; its old handler comes back after.
    const int wakeSignal = SIGRTMAX;
    struct sigaction ours = {};
    ours.sa_sigaction = interruptOrPass;
    ours.sa_flags = SA_SIGINFO;
    sigemptyset(&ours.sa_mask);
    if (sigaction(wakeSignal, &ours, &hostAction) != 0) {
        return errno;
    }
    sigset_t wake, oldMask;
    sigemptyset(&wake);
    sigaddset(&wake, wakeSignal);
    pthread_sigmask(SIG_UNBLOCK, &wake, &oldMask);

    // Aimed at this thread: another thread of the program must not take the signal.
    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = wakeSignal;
    event.sigev_value.sival_ptr = TimerMark;
#ifdef sigev_notify_thread_id
    event.sigev_notify_thread_id = gettid();
#else
    event._sigev_un._tid = gettid();
#endif
    timer_t timer{};
    int result = 0;
    if (timer_create(CLOCK_MONOTONIC, &event, &timer) != 0) {
        result = errno;  // never block without the bound
    } else {
        itimerspec limit{};
        limit.it_value.tv_sec = milliseconds / 1000;
        limit.it_value.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000;
        result = timer_settime(timer, 0, &limit, nullptr) == 0 ? call() : errno;
        // The program's other signals (a child's end) interrupt the call too: only the timer
        // ends the wait.
        while (result == EINTR && !timerFired(timer)) {
            result = call();
        }
        if (result == EINTR) {
            result = ETIMEDOUT;
        }
        timer_delete(timer);
    }
    pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    sigaction(wakeSignal, &hostAction, nullptr);
    return result;
}

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
            // PPCLAIM sleeps interruptibly while another program holds the port.
            result = callWithin(ClaimWaitSeconds * 1000,
                                [handle] { return resultOf(ioctl(handle, PPCLAIM)); });
            return result == ETIMEDOUT ? EBUSY : result;
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
