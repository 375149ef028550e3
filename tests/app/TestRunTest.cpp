// SPDX-License-Identifier: MIT
#include "app/TestRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <sstream>
#include <string>
#include <vector>

#include "FakePortIo.h"
#include "PortLog.h"
#include "SampleChip.h"
#include "StdoutCapture.h"
#include "driver/Korvella4v4.h"

namespace {

using Lines = std::vector<std::string>;

// The adapter driver with its waits put into the port log ("D 10") instead of spent.
class WaitLoggingDriver : public Korvella4v4 {
  public:
    explicit WaitLoggingDriver(StdoutCapture& capture) : Korvella4v4(888), capture(capture) {}
    void delayUs(std::uint32_t microseconds) override {
        fakePortIo().log.push_back("D " + std::to_string(microseconds));
        if (microseconds == 300000000) {
            atEraseWait = capture.written();  // what had left the buffer by then
        }
    }
    StdoutCapture& capture;
    std::string atEraseWait;
};

// The status bytes of a Korvella+ answering the probe, then shifting the sample chip's bytes in
// over the inverted read-back bit.
std::deque<std::uint8_t> korvellaWithSampleChip() {
    std::istringstream script(
        statusScript({true, false, true}, {sampleChipBytes.begin(), sampleChipBytes.end()}));
    std::deque<std::uint8_t> status;
    for (unsigned byte = 0; script >> std::hex >> byte;) {
        status.push_back(static_cast<std::uint8_t>(byte));
    }
    return status;
}

// The whole run at the port: the waits in order, between the bus cycles that the traces decode.
TEST(TestRun, CompleteRunWaitsEachSettleTimeBetweenTheBusCycles) {
    resetFakePortIo();
    fakePortIo().statusAnswers = korvellaWithSampleChip();
    std::string output, atEraseWait;
    Lines log;
    {
        StdoutCapture capture;  // a failure reported inside it would be captured too
        WaitLoggingDriver driver(capture);
        EXPECT_EQ(runTestSequence(&driver), 0);
        output = capture.all();
        atEraseWait = driver.atEraseWait;
        log = fakePortIo().log;
    }
    EXPECT_EQ(output, std::string("Korvella+ detected !\n") + sampleChipReport);
    // Out before the five minutes it announces, not after them.
    EXPECT_EQ(atEraseWait,
              "Korvella+ detected !\n#READ:[00]=0xABC\n"
              "#ID:  [MAN]=0x01; [DEV]=0x7E\n#EXT: [DEV]=0x21; [DEV]=0x0C\n"
              "Erase in progress...\nWait 300 seconds !\n");
    Lines expected = reportCycles({sampleChipBytes.begin(), sampleChipBytes.end()}, true);
    expected.insert(expected.begin(), "load");
    EXPECT_EQ(busCycles(log), expected);
    // The lines themselves, as the adapter needs them: after the access begins, each address
    // bit on data bit 1 before the clock (bit 0) rises; the read-back's load pulse on bit 2 with
    // bit 1 high (the last byte written stays on the upper data lines).
    const Lines firstBits = {"D 10",     "W 890 0D", "W 888 00", "W 888 00",
                             "W 888 01", "W 888 01", "W 888 00", "W 888 01"};
    const Lines loadPulse = {"W 888 F2", "W 888 F6", "W 888 F2", "W 888 F0"};
    EXPECT_NE(std::search(log.begin(), log.end(), firstBits.begin(), firstBits.end()), log.end());
    EXPECT_NE(std::search(log.begin(), log.end(), loadPulse.begin(), loadPulse.end()), log.end());
}

}  // namespace
