// SPDX-License-Identifier: MIT
#include "trace/GtkwaveView.h"

#include <cmath>

#include "trace/PortWires.h"

namespace trace {

namespace {

// The wave pane of a 1280-pixel window beside the tree and the names is about 780 pixels wide;
// aiming at a little less keeps the window's end in view whatever the font.
constexpr double ViewWidthPixels = 700;
constexpr double PixelsPerFrame = 200;

}  // namespace

std::string gtkwaveViewPath(const std::string& vcdPath) {
    const std::string suffix = ".vcd";
    if (vcdPath.size() > suffix.size() &&
        vcdPath.compare(vcdPath.size() - suffix.size(), suffix.size(), suffix) == 0) {
        return vcdPath.substr(0, vcdPath.size() - suffix.size()) + ".gtkw";
    }
    return vcdPath + ".gtkw";
}

std::string gtkwaveView(const std::string& vcdName, std::int64_t startNs, std::int64_t endNs,
                        std::int64_t markerNs) {
    // GTKWave's zoom z shows 2^-z time units per frame of 200 pixels, not per pixel.
    const double unitsPerFrame =
        static_cast<double>(endNs - startNs) / ViewWidthPixels * PixelsPerFrame;
    const double zoom = -std::log2(unitsPerFrame > 1 ? unitsPerFrame : 1);
    // With the save file named too, GTKWave finds the dump beside the view it opens, wherever
    // the pair was copied, whatever the current folder.
    std::string view = std::string(GtkwaveViewTitle) + "\n[dumpfile] \"" + vcdName +
                       "\"\n[savefile] \"" + gtkwaveViewPath(vcdName) + "\"\n[timestart] " +
                       std::to_string(startNs) + "\n[size] 1280 720\n[pos] -1 -1\n*" +
                       std::to_string(zoom) + " " + std::to_string(markerNs);
    for (int named = 0; named < 26; ++named) {
        view += " -1";
    }
    view += "\n[treeopen] lpt.\n[signals_width] 200\n";
    // The byte the data lines carry in a write cycle, most significant line first.
    view += "@22\n#{lpt.data[7:0]}";
    for (std::size_t i = 8; i-- > 0;) {
        view += std::string(" lpt.") + wires[i].name;
    }
    view += "\n@28\n";
    for (std::size_t i = 0; i < wireCount; ++i) {
        if (i < 3 || i >= 8) {  // the serial lines, control and status; D3-D7 are in the byte
            view += std::string("lpt.") + wires[i].name + "\n";
        }
    }
    view += "lpt.status_read\n";
    return view;
}

}  // namespace trace
