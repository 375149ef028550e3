// SPDX-License-Identifier: MIT
// Feeds the program's port traffic into the shared trace writers (LPTIO_TRACE_VCD,
// LPTIO_TRACE_BUSLOG), so a run on a real adapter is traced like a simulated one.
#ifndef LPTFLASH_HARDWARE_PORTTRACEOBSERVER_H
#define LPTFLASH_HARDWARE_PORTTRACEOBSERVER_H

#include <cstdint>

#include "hardware/PortObserver.h"
#include "trace/PortTrace.h"

class PortTraceObserver : public PortObserver {
  public:
    using Clock = std::int64_t (*)();  // nanoseconds, monotonic

    explicit PortTraceObserver(Clock clock) : clock(clock) {}

    trace::PortTrace& trace() { return portTrace; }

    void portOpened(std::uint16_t base, std::uint8_t data, std::uint8_t status,
                    std::uint8_t control) override;
    void portWritten(std::uint16_t address, std::uint8_t value) override;
    void portRead(std::uint16_t address, std::uint8_t value) override;
    void portNoted(const std::string& text) override { portTrace.comment(text); }

  private:
    Clock clock;
    trace::PortTrace portTrace;
    bool tracesOpened = false;
};

#endif
