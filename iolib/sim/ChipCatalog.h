// SPDX-License-Identifier: MIT
// The flash chips the simulator can put in the adapter's socket: the shared chip table.
#ifndef LPTFLASH_SIM_CHIPCATALOG_H
#define LPTFLASH_SIM_CHIPCATALOG_H

#include <cstdint>
#include <string>

#include "protocol/ChipTable.h"

namespace sim {

using ChipType = protocol::ChipType;

const ChipType& defaultChip();
// The chip of that name, ignoring case; nullptr if none.
const ChipType* findChip(const std::string& name);
// The names, comma-separated, for messages.
std::string chipNames();

}  // namespace sim

#endif
