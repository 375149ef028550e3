// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "ProgramRun.h"
#include "trace/GtkwaveView.h"
#include "trace/VcdWriter.h"

using Direction = trace::PortEvent::Direction;

namespace {

const std::string header =
    "$version lptflash port trace $end\n"
    "$timescale 1ns $end\n"
    "$scope module lpt $end\n"
    "$var wire 1 ! D0_addr_clock $end\n$var wire 1 \" D1_addr_bit $end\n"
    "$var wire 1 # D2_read_clock $end\n$var wire 1 $ D3 $end\n$var wire 1 % D4 $end\n"
    "$var wire 1 & D5 $end\n$var wire 1 ' D6 $end\n$var wire 1 ( D7 $end\n"
    "$var wire 1 ) C0_byte_select $end\n$var wire 1 * C1_data_drive $end\n"
    "$var wire 1 + C2_enable $end\n$var wire 1 , C3_write_strobe $end\n"
    "$var wire 1 - S6_read_back $end\n$var wire 1 . S7_presence $end\n"
    "$var wire 1 / status_read $end\n"
    "$upscope $end\n$enddefinitions $end\n";
const std::string allLow =
    "#0\n$dumpvars\n0!\n0\"\n0#\n0$\n0%\n0&\n0'\n0(\n0)\n0*\n0+\n0,\n0-\n0.\n0/\n$end\n";

TEST(VcdWriter, DumpsOneWirePerLineAndOnlyTheChangesAtTimesFromTheFirstEvent) {
    TemporaryFolder folder;
    const std::string path = folder.file("trace.vcd");
    trace::VcdWriter writer;
    std::string reason;
    ASSERT_TRUE(writer.open(path, reason)) << reason;
    using R = PortRegister;
    writer.record({1000, Direction::Write, R::Data, 0x00});  // nothing changes
    writer.record({1500, Direction::Write, R::Control, 0x09});
    writer.record({1500, Direction::Read, R::Status, 0x80});   // same time: a time of its own
    writer.record({1400, Direction::Write, R::Data, 0x03});    // clock went back: the next time
    writer.record({2000, Direction::Write, R::Data, 0x03});    // no change, no time line
    writer.record({2600, Direction::Read, R::Data, 0xFF});     // reading data changes no line
    writer.record({2700, Direction::Write, R::Status, 0xFF});  // nor does writing status
    writer.record({2800, Direction::Read, R::Status, 0x80});   // a status read that changes nothing
    writer.record({3000, Direction::Write, R::Control, 0x0D});
    // Complete on disk before the writer is closed: a killed process keeps its trace, padded
    // with one long blank line (tail still shows the last records) until the close cuts it off.
    const std::string expected =
        header + allLow + "#500\n1)\n1,\n#501\n1.\n1/\n#502\n1!\n1\"\n#1800\n0/\n#2000\n1+\n";
    const std::string written = readWholeFile(path);
    EXPECT_EQ(written.substr(0, expected.size()), expected);
    EXPECT_EQ(written.find_first_not_of(' ', expected.size()), written.size() - 1);
    EXPECT_EQ(written.back(), '\n');
    writer.close();
    EXPECT_EQ(readWholeFile(path), expected);
}

// A real port's lines are not low when the program starts: the claim may have set some.
TEST(VcdWriter, StartsFromTheRegistersAsReadAtOpenWhenGiven) {
    TemporaryFolder folder;
    trace::VcdWriter writer;
    std::string reason;
    ASSERT_TRUE(writer.open(folder.file("trace.vcd"), reason)) << reason;
    writer.initialValues({0x01, 0x0C, 0x80});                             // data, control, status
    writer.record({100, Direction::Write, PortRegister::Control, 0x04});  // strobe falls
    writer.close();
    EXPECT_EQ(readWholeFile(folder.file("trace.vcd")),
              header +
                  "#0\n$dumpvars\n1!\n0\"\n0#\n0$\n0%\n0&\n0'\n0(\n0)\n0*\n1+\n1,\n0-\n1.\n0/\n"
                  "$end\n#1\n0,\n");
}

// What may lie at a trace's path or at its view's: a trace never waits on a pipe, never cuts a
// file another run holds, and a view of ours replaces only a small regular file it wrote.
struct Planted {
    const char* name;
    std::function<int(const std::string& path)> plant;  // a descriptor to hold, or -1
    const char* at;                                     // "trace.vcd" or "trace.gtkw"
    const char* refusedWith;                            // the trace's open fails so; null: it opens
    bool viewReplaced;                                  // the planted view became ours
};

int fifo(const std::string& path) {
    mkfifo(path.c_str(), 0600);
    return -1;
}
int lockedByAnotherRun(const std::string& path) {
    writeWholeFile(path, "kept");
    const int held = open(path.c_str(), O_RDONLY);
    flock(held, LOCK_EX);
    return held;
}
int bigFile(const std::string& path) {
    writeWholeFile(path, std::string(trace::GtkwaveViewTitle) + "\n" + std::string(1 << 20, ' '));
    return -1;
}
int linkToAView(const std::string& path) {
    writeWholeFile(path + ".real", trace::GtkwaveViewTitle);
    symlink((path + ".real").c_str(), path.c_str());
    return -1;
}
int ourView(const std::string& path) {
    writeWholeFile(path, std::string(trace::GtkwaveViewTitle) + "\nolder view\n");
    chmod(path.c_str(), 0640);  // the user's choice, which a new view keeps
    return -1;
}

class TracePlanted : public testing::TestWithParam<Planted> {};

TEST_P(TracePlanted, IsLeftAloneUnlessOurs) {
    const Planted& planted = GetParam();
    TemporaryFolder folder;
    const std::string path = folder.file(planted.at);
    const int held = planted.plant(path);
    struct stat before {};
    lstat(path.c_str(), &before);
    {
        trace::VcdWriter writer;
        std::string reason;
        const bool opened = writer.open(folder.file("trace.vcd"), reason);
        EXPECT_EQ(opened, planted.refusedWith == nullptr) << reason;
        if (planted.refusedWith != nullptr) {
            EXPECT_NE(reason.find(planted.refusedWith), std::string::npos) << reason;
        }
        writer.record({100, Direction::Write, PortRegister::Control, 0x04});
    }  // closed without a chip access: a view of the whole run
    struct stat after {};
    lstat(path.c_str(), &after);
    EXPECT_EQ(after.st_ino != before.st_ino, planted.viewReplaced);
    if (planted.viewReplaced && before.st_ino != 0) {
        EXPECT_EQ(after.st_mode & 07777, before.st_mode & 07777);
    }
    if (held >= 0) {
        EXPECT_EQ(readWholeFile(path), "kept");
        close(held);
    }
    if (planted.viewReplaced) {
        const std::string view = readWholeFile(path);
        // Named from the view's own folder, so that the pair can be copied anywhere.
        EXPECT_NE(view.find("\n[dumpfile] \"trace.vcd\"\n[savefile] \"trace.gtkw\"\n"),
                  std::string::npos)
            << view;
        EXPECT_NE(view.find("\n[timestart] 0\n"), std::string::npos) << view;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, TracePlanted,
    testing::Values(Planted{"NothingThere", [](const std::string&) { return -1; }, "trace.gtkw",
                            nullptr, true},
                    Planted{"OurOlderView", ourView, "trace.gtkw", nullptr, true},
                    Planted{"FifoAsTrace", fifo, "trace.vcd", "not a regular file", false},
                    Planted{"TraceOfAnotherRun", lockedByAnotherRun, "trace.vcd",
                            "in use by another run (locked)", false},
                    Planted{"FifoAsView", fifo, "trace.gtkw", nullptr, false},
                    Planted{"HugeView", bigFile, "trace.gtkw", nullptr, false},
                    Planted{"LinkAsView", linkToAView, "trace.gtkw", nullptr, false}),
    [](const testing::TestParamInfo<Planted>& info) { return info.param.name; });

// Another program shortening the trace while it is written (truncate -s 0) must not end the
// run: the trace says it was cut, and the file stays as that program left it.
TEST(VcdWriter, SurvivesItsFileCutShortByAnotherProgram) {
    TemporaryFolder folder;
    const std::string path = folder.file("trace.vcd");
    testing::internal::CaptureStderr();
    {
        trace::VcdWriter writer;
        std::string reason;
        ASSERT_TRUE(writer.open(path, reason)) << reason;
        std::int64_t time = 0;
        const auto toggle = [&](int times) {
            for (int i = 0; i < times; ++i, time += 10) {
                writer.record({time, Direction::Write, PortRegister::Data,
                               static_cast<std::uint8_t>(i & 0xFF)});
            }
        };
        toggle(1000);
        ASSERT_EQ(truncate(path.c_str(), 0), 0);
        toggle(100000);  // past the first pages and through growing
    }
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_NE(told.find("cut short by another program"), std::string::npos) << told;
    EXPECT_EQ(told.find("cut short"), told.rfind("cut short")) << "said once: " << told;
}

}  // namespace
