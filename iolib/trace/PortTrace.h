// SPDX-License-Identifier: MIT
// The traces of a run's port traffic that the user asked for: a waveform (LPTIO_TRACE_VCD) and a
// decoded bus log (LPTIO_TRACE_BUSLOG). Fed with port events only, so a simulated adapter and a
// real one are traced alike. Files are complete after every event and closed on destruction.
//
// A port I/O library keeps one for the process (a static object, so its files close at exit),
// calls checkEnvironment, then openFromEnvironment once every other setting is found good and
// what the run needs is held (the image, the port), then
// written() after each byte it writes to a register and read() after each byte it reads, with
// the value read and a monotonic time in nanoseconds.
#ifndef LPTFLASH_TRACE_PORTTRACE_H
#define LPTFLASH_TRACE_PORTTRACE_H

#include <string>
#include <vector>

#include "trace/BusLogWriter.h"
#include "trace/PortEvent.h"
#include "trace/VcdWriter.h"

namespace trace {

constexpr const char* VcdVariable = "LPTIO_TRACE_VCD";
constexpr const char* BusLogVariable = "LPTIO_TRACE_BUSLOG";

class PortTrace {
  public:
    // Checks the two variables (unset or empty: no such trace) without touching any file: a trace
    // must not be one of the guarded files (the chip image), the library itself, the other trace
    // or the program's own output, and must be a regular file or a new one in an existing
    // folder. Appends one message per bad one to problems; returns whether there was none.
    bool checkEnvironment(std::vector<std::string>& problems,
                          const std::vector<std::string>& guarded = {}) const;
    // Creates the checked files, each locked against other runs before it is emptied; an
    // existing file there is overwritten, as its name was given for this. Only for a run that
    // goes ahead, after its image and its port are held, so that a refused run changes no file.
    // Appends one message per file that cannot be taken to problems; returns whether there was
    // none.
    bool openFromEnvironment(std::vector<std::string>& problems);

    // The registers as the port held them before the first event; without this call the
    // traces start with every line low.
    void initialValues(std::uint8_t data, std::uint8_t status, std::uint8_t control) {
        vcd.initialValues({data, control, status});
        busLog.initialValues({data, control, status});
    }
    // A remark of the port library's own, in the bus log.
    void comment(const std::string& text) { busLog.comment(text); }
    void record(const PortEvent& event) {
        vcd.record(event);
        busLog.record(event);
    }
    void written(std::int64_t timeNs, PortRegister portRegister, std::uint8_t value) {
        record({timeNs, PortEvent::Direction::Write, portRegister, value});
    }
    void read(std::int64_t timeNs, PortRegister portRegister, std::uint8_t value) {
        record({timeNs, PortEvent::Direction::Read, portRegister, value});
    }

  private:
    VcdWriter vcd;
    BusLogWriter busLog;
};

}  // namespace trace

#endif
