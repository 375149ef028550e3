// The port writes and reads of the driver's serial transfers, made by hand straight into a port
// library with no layer between: the baseline that the driver's cost is measured against, and
// a load for the simulator that leaves only the library's own cost to see. The line protocol
// itself is the tests' own copy, written from the protocol rather than from the driver.
#ifndef LPTFLASH_BENCH_HANDDRIVENLINES_H
#define LPTFLASH_BENCH_HANDDRIVENLINES_H

#include "LineDriver.h"

template <typename Library>
using HandDrivenLines = LineDriver<Library>;

// Transfer sizes in port operations, to turn times per transfer into times per operation.
constexpr int shiftOutOperations(int bitCount) {
    return 1 + 3 * bitCount + 1;
}
constexpr int ShiftInByteOperations = 21 + 8;

#endif
