// SPDX-License-Identifier: MIT
// The simulated parallel port at LPT1 (0x378) with the adapter, the chip, its image file and the
// traces, set up from the environment on first use.
#ifndef LPTFLASH_SIM_SIMULATOR_H
#define LPTFLASH_SIM_SIMULATOR_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "protocol/AdapterLines.h"
#include "sim/AdapterBoard.h"
#include "sim/ChipImage.h"
#include "sim/FlashModel.h"
#include "sim/SimSettings.h"
#include "trace/PortTrace.h"

namespace sim {

constexpr std::uint16_t SimulatedBasePort = Lpt1BasePort;

class Simulator {
  public:
    // The process's one simulator; its traces are closed when the process exits.
    static Simulator& instance();

    // Bad settings are reported on stderr, and the adapter then answers as board "none".
    Simulator();
    ~Simulator();  // puts the last programmed bytes on the disk
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    void portOut(std::uint16_t port, std::uint8_t value);
    std::uint8_t portIn(std::uint16_t port);

  private:
    bool registerOf(std::uint16_t port, PortRegister& portRegister) const;
    void keepImage(FlashModel::Change change, std::int64_t nowNs);
    void reportUnsaved(bool saved, const std::string& problem);
    void announce() const;
    std::string imageProblem(const std::string& problem) const;

    SimSettings settings;
    ChipImage image;
    std::unique_ptr<FlashModel> chip;
    std::unique_ptr<AdapterBoard> board;
    trace::PortTrace trace;
    bool imageWriteFailed = false;
    std::int64_t imageSyncedNs = 0;
};

}  // namespace sim

#endif
