// The simulated-run benchmark counts waits as counter reads / 2 and relies on every wait ending
// at its first check under the stepping counter; both must hold for the real driver.
#include <gtest/gtest.h>

#include <cstdint>

#include "support/SharedDriver.h"
#include "support/SteppingCounter.h"

namespace {

TEST(SteppingCounterTest, EveryWaitOfTheDriverReadsTheCounterExactlyTwice) {
    ProgrammerDriver* driver = sharedDriver();
    ASSERT_NE(driver, nullptr);
    for (const std::uint32_t microseconds : {0U, 1U, 10U, 15000U, 20000U, 300000000U}) {
        const std::uint64_t before = steppingCounterReads();
        driver->delayUs(microseconds);
        EXPECT_EQ(steppingCounterReads() - before, 2U) << microseconds << " µs";
    }
}

TEST(SteppingCounterTest, TheDetectionProbesThreeWaitsAreSeenAsSix) {
    ProgrammerDriver* driver = sharedDriver();
    ASSERT_NE(driver, nullptr);
    const std::uint64_t before = steppingCounterReads();
    driver->detectHardware();
    EXPECT_EQ(steppingCounterReads() - before, 6U);
}

}  // namespace
