#include "lptio/PortTraceObserver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ProgramRun.h"

namespace {

using testing::HasSubstr;

std::int64_t fakeNow = 0;
std::int64_t fakeClock() {
    return fakeNow;
}

// The identifier the dump gave the wire of that name.
std::string wireId(const std::string& vcd, const std::string& name) {
    const auto end = vcd.find(" " + name + " $end");
    if (end == std::string::npos) {
        return "?";
    }
    const auto start = vcd.rfind(' ', end - 1);
    return vcd.substr(start + 1, end - start - 1);
}

TEST(PortTraceObserver, RecordsRegisterByOffsetAtTheClocksTime) {
    TemporaryFolder folder;
    {
        PortTraceObserver observer(fakeClock);
        std::string reason;
        ASSERT_TRUE(observer.trace().openVcd(folder.file("t.vcd"), reason)) << reason;
        fakeNow = 5000;
        observer.portWritten(0x37A, 0x09);
        fakeNow = 5700;
        observer.portWritten(0xD012, 0x0D);  // a card's control register: offset 2 as well
        fakeNow = 6000;
        observer.portRead(0x379, 0x80);
    }
    const std::string vcd = readWholeFile(folder.file("t.vcd"));

    EXPECT_THAT(vcd, HasSubstr("#700\n1" + wireId(vcd, "enable") + "\n"));
    EXPECT_THAT(vcd, HasSubstr("#1000\n1" + wireId(vcd, "S7_presence") + "\n"));
}

}  // namespace
