#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ProgramRun.h"
#include "SimBench.h"
#include "porttrace/BusCycleDecoder.h"
#include "porttrace/BusLogWriter.h"
#include "porttrace/CommandNamer.h"

using porttrace::BusCycle;
using porttrace::PortAccess;
using porttrace::PortEvent;

namespace {

// The port traffic of a chip report, recorded as events between the driver and the adapter.
struct RecordedRun {
    RecordedRun() : bench(sim::BoardKind::Korvella) {
        LineDriver driver(
            [this](std::uint8_t offset, std::uint8_t value) {
                events.push_back({++time, PortAccess::Write, offset, value});
                bench.board.write(offset, value, bench.now);
            },
            [this](std::uint8_t offset) {
                const std::uint8_t value = bench.board.read(offset, bench.now);
                events.push_back({++time, PortAccess::Read, offset, value});
                return value;
            });
        driver.construct();
        driver.detect();
        driver.beginAccess();
        driver.writeByte(0x555, 0xF0);
        driver.readWordAtZero();
        for (auto [address, data] : {std::pair{0x555u, 0xAA}, {0x2AAu, 0x55}, {0x555u, 0x90}}) {
            driver.writeByte(address, static_cast<std::uint8_t>(data));
        }
        driver.readByte(1);
        driver.writeByte(0x000, 0xF0);
        for (auto [address, data] : {std::pair{0x555u, 0xAA},
                                     {0x2AAu, 0x55},
                                     {0x555u, 0x80},
                                     {0x555u, 0xAA},
                                     {0x2AAu, 0x55},
                                     {0x555u, 0x10}}) {
            driver.writeByte(address, static_cast<std::uint8_t>(data));
        }
        driver.endAccess();
    }
    SimBench bench;
    std::vector<PortEvent> events;
    std::int64_t time = 0;
};

struct Expected {
    BusCycle::Kind kind;
    std::uint32_t address;
    bool lowByte;
    std::uint8_t value;
    std::string command;
};

TEST(BusCycleDecoder, ReconstructsEveryCycleOfAChipReportFromTheLinesAndNamesTheCommands) {
    RecordedRun run;
    const std::uint8_t low = run.bench.original[0];
    const std::uint8_t high = run.bench.original[1];
    const auto R = BusCycle::Kind::Read;
    const auto W = BusCycle::Kind::Write;
    const std::vector<Expected> expected = {
        {W, 0x555, true, 0xF0, "reset"},
        {R, 0x000, true, low, ""},
        {R, 0x000, false, high, ""},
        {W, 0x555, true, 0xAA, "unlock 1/2"},
        {W, 0x2AA, true, 0x55, "unlock 2/2"},
        {W, 0x555, true, 0x90, "autoselect"},
        {R, 0x001, true, 0x7E, ""},
        {W, 0x000, true, 0xF0, "reset"},
        {W, 0x555, true, 0xAA, "unlock 1/2"},
        {W, 0x2AA, true, 0x55, "unlock 2/2"},
        {W, 0x555, true, 0x80, "erase setup"},
        {W, 0x555, true, 0xAA, "unlock 1/2"},
        {W, 0x2AA, true, 0x55, "unlock 2/2"},
        {W, 0x555, true, 0x10, "chip erase"},
    };
    porttrace::BusCycleDecoder decoder;
    porttrace::CommandNamer namer;
    std::size_t next = 0;
    for (const PortEvent& event : run.events) {
        BusCycle cycle{};
        if (!decoder.decode(event, cycle)) {
            continue;
        }
        ASSERT_LT(next, expected.size()) << "extra cycle at " << cycle.address;
        SCOPED_TRACE(next);
        EXPECT_EQ(cycle.kind, expected[next].kind);
        EXPECT_EQ(cycle.address, expected[next].address);
        EXPECT_EQ(cycle.lowByte, expected[next].lowByte);
        EXPECT_EQ(cycle.value, expected[next].value);
        EXPECT_EQ(namer.name(cycle), expected[next].command);
        EXPECT_EQ(cycle.timeNs, event.timeNs);
        ++next;
    }
    EXPECT_EQ(next, expected.size());
}

TEST(CommandNamer, NamesProgramDataAndStrayWrites) {
    porttrace::CommandNamer namer;
    const auto write = [&](std::uint32_t address, std::uint8_t value, bool lowByte = true) {
        return namer.name({BusCycle::Kind::Write, 0, address, lowByte, value});
    };
    EXPECT_EQ(write(0x555, 0xAA), "unlock 1/2");
    EXPECT_EQ(namer.name({BusCycle::Kind::Read, 0, 0x0, true, 0x12}), "");
    EXPECT_EQ(write(0x2AA, 0x55), "unlock 2/2");
    EXPECT_EQ(write(0x555, 0xA0), "program");
    EXPECT_EQ(write(0x1234, 0xF0, false), "program data");
    EXPECT_EQ(write(0x2AA, 0x55), "unexpected");
    EXPECT_EQ(write(0x555, 0xAA, false), "unexpected");
    EXPECT_EQ(write(0x555, 0xAA), "unlock 1/2");
    EXPECT_EQ(write(0x555, 0xF0), "reset");
}

TEST(BusLogWriter, WritesAHeaderAndOneLinePerCycleWithTimesFromTheFirstEvent) {
    RecordedRun run;
    TemporaryFolder folder;
    porttrace::BusLogWriter writer;
    std::string reason;
    ASSERT_TRUE(writer.open(folder.file("bus.log"), reason)) << reason;
    for (PortEvent event : run.events) {
        event.timeNs += 1000000;
        writer.record(event);
    }
    const std::string log = readWholeFile(folder.file("bus.log"));
    EXPECT_EQ(log.rfind("# ", 0), 0u);
    EXPECT_NE(log.find(" write  0x000555  low   0x10  chip erase\n"), std::string::npos) << log;
    EXPECT_EQ(porttrace::BusLogWriter::format({BusCycle::Kind::Read, 1234, 0xABCDEF, false, 0x5A},
                                              "", 1000),
              "             234  read   0xABCDEF  high  0x5A");
}

}  // namespace
