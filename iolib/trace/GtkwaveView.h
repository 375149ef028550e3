// SPDX-License-Identifier: MIT
// The GTKWave save file written beside a VCD trace: it opens the trace (gtkwave run.gtkw) with
// the data lines grouped as data[7:0] (GTKWave builds the vector; sigrok 0.5 takes no vector
// in a VCD), the serial, control and status lines by role, and the window on the first chip
// access, where a whole view of the run would show 300 s of flat lines.
#ifndef LPTFLASH_TRACE_GTKWAVEVIEW_H
#define LPTFLASH_TRACE_GTKWAVEVIEW_H

#include <cstdint>
#include <string>

namespace trace {

// run.vcd gives run.gtkw; another name gets .gtkw appended.
std::string gtkwaveViewPath(const std::string& vcdPath);

// The save file showing the dump vcdName (a name in the view's own folder) from startNs to endNs
// (its own times), marker at markerNs.
std::string gtkwaveView(const std::string& vcdName, std::int64_t startNs, std::int64_t endNs,
                        std::int64_t markerNs);

// The first line of every view we write: a file that starts otherwise is someone else's.
constexpr const char* GtkwaveViewTitle =
    "[*] lptflash: the port lines around the first chip access";

}  // namespace trace

#endif
