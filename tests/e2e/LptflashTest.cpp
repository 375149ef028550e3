// SPDX-License-Identifier: MIT
// The shipped lptflash end to end on the simulator, on the sped-up clock: one table of runs whose
// outcome is their exit code and lines (natively, and some under Wine), and the runs whose files
// and chip image must be checked as well.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "ProgramRun.h"

namespace {

using Settings = std::map<std::string, std::string>;
using Args = std::vector<std::string>;

struct Row {
    std::string name;
    Args args;
    Settings settings;  // the simulator's
    int exitCode;
    std::string out;       // part of stdout, or empty
    std::string err = "";  // part of stderr; empty: no line of lptflash's own
    PortLibrary library = PortLibrary::Simulator;
    Platform platform = Platform::Native;
};

std::string nameOf(const Row& row) {
    const char* const platforms[] = {"", "WineX64_", "WineX86_"};
    return platforms[static_cast<int>(row.platform)] + row.name;
}
void PrintTo(const Row& row, std::ostream* out) {
    *out << nameOf(row);
}

std::string withoutCarriageReturns(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

class LptflashRuns : public testing::TestWithParam<Row> {};

// A refused or failed run has changed no file: an image that was there is as it was, and a run
// refused before the port was touched made none.
TEST_P(LptflashRuns, ExitWithTheirCodeAndLines) {
    const Row& row = GetParam();
    const std::string reason = cannotRun(row.platform, row.library);
    if (!reason.empty()) {
        GTEST_SKIP() << reason;
    }
    TemporaryFolder folder;
    Settings settings = row.settings;
    settings.emplace("LPTIO_SIM_IMAGE",
                     row.platform == Platform::Native ? folder.file("chip.img") : "chip.img");
    Args args = row.args;
    for (std::string& arg : args) {
        if (arg[0] == '@') {
            arg = folder.path() + arg.substr(1);
        }
    }
    const ProgramResult result =
        runShipped(Shipped::Lptflash, args, folder, row.library, settings, row.platform);
    EXPECT_EQ(result.exitCode, row.exitCode) << result.out << result.err;
    EXPECT_NE(withoutCarriageReturns(result.out).find(row.out), std::string::npos) << result.out;
    const auto own = result.err.find("lptflash: ");
    if (row.err.empty()) {
        EXPECT_EQ(own, std::string::npos) << result.err;
    } else {
        EXPECT_NE(result.err.find(row.err), std::string::npos) << result.err;
        // One line of its own; a library that would not load is named by the loader first.
        const auto loader = result.err.find("lptflash: cannot load ");
        const auto next = result.err.find("lptflash: ", own + 1);
        EXPECT_TRUE(next == std::string::npos ||
                    (own == loader && next == result.err.rfind("lptflash: ")))
            << result.err;
    }
    if (row.exitCode == 2 && row.args.size() > 1 && row.args[0] == "read") {
        EXPECT_FALSE(std::filesystem::exists(folder.file("chip.img"))) << "the port was used";
    }
}

Row detects(const char* chip, const char* line) {
    return Row{std::string("Detect") + chip, {"detect"}, {{"LPTIO_SIM_CHIP", chip}}, 0, line, ""};
}

std::vector<Row> rows() {
    std::vector<Row> native = {
        detects("S29GL128P",
                "codes: manufacturer 0x01, device 0x7E, extended 0x21 0x01\n"
                "chip: S29GL128P, 16 MiB (16777216 bytes), 16-bit bus\n"),
        detects("MX29GL128F", "chip: MX29GL128F, 16 MiB (16777216 bytes), 16-bit bus\n"),
        detects("Am29LV040B",
                "codes: manufacturer 0x01, device 0x4F, extended 0x00 0x00\n"
                "chip: Am29LV040B, 512 KiB (524288 bytes), 8-bit bus\n"),
        detects("Am29F040B", "chip: Am29F040B, 512 KiB (524288 bytes), 8-bit bus\n"),
        detects("MX29F040", "codes: manufacturer 0xC2, device 0xA4"),
        Row{"BoardNone", {"detect"}, {{"LPTIO_SIM_BOARD", "none"}}, 1, "", "no adapter answered"},
        Row{"NoLibrary", {"blank"}, {}, 1, "", "no usable port I/O library", PortLibrary::None},
        Row{"NotALibrary",
            {"detect"},
            {},
            1,
            "",
            "lptflash: cannot load libio.so: ",
            PortLibrary::NotALibrary},
        Row{"NoSubcommand", {}, {}, 2, "", "A subcommand is required; see lptflash --help"},
        Row{"UnknownSubcommand",
            {"raed", "x.bin"},
            {},
            2,
            "",
            "\"raed\" is no subcommand; use one"},
        Row{"UnknownOption", {"blank", "--fast"}, {}, 2, "", "--fast"},
        Row{"MissingFile", {"verify"}, {}, 2, "", "FILE is required"},
        Row{"UnknownChipNameEscaped",
            {"blank", "--chip", "Am\x1b[2J"},
            {},
            2,
            "",
            "--chip \"Am\\x1B[2J\": no such chip in the catalog; use one of S29GL128P"},
        Row{"ChipNameAgainstTheCodes",
            {"blank", "--chip", "mx29f040"},
            {{"LPTIO_SIM_CHIP", "Am29F040B"}},
            2,
            "",
            "the codes are those of Am29F040B"},
        Row{"Help", {"write", "--help"}, {}, 0, "  --erase", "", PortLibrary::None},
        Row{"UnwritableOutput",
            {"read", "@/missing/out.bin"},
            {},
            2,
            "",
            "/missing/out.bin\" (No such file or directory): choose a writable folder"},
        Row{"UnreadableInput", {"verify", "@/missing.bin"}, {}, 2, "", "cannot read"},
        Row{"EraseTimesOut",
            {"erase"},
            {{"LPTIO_SIM_CHIP", "Am29F040B"}, {"LPTIO_SIM_ERASE_MS", "3600000"}},
            4,
            "",
            "the erase did not end within the chip's maximum of 2 min 00 s"},
        Row{"EraseFailsByDQ5",
            {"erase"},
            {{"LPTIO_SIM_CHIP", "Am29F040B"}, {"LPTIO_SIM_FAIL", "erase"}},
            4,
            "",
            "the chip reported a failed erase (DQ5"},
    };
    const std::set<std::string> alsoOnWindows = {"DetectS29GL128P", "BoardNone", "NoLibrary",
                                                 "UnknownOption"};
    std::vector<Row> all = native;
    for (Platform platform : {Platform::WineX64, Platform::WineX86}) {
        for (Row row : native) {
            if (alsoOnWindows.count(row.name) > 0) {
                row.platform = platform;
                all.push_back(row);
            }
        }
    }
    return all;
}

INSTANTIATE_TEST_SUITE_P(Runs, LptflashRuns, testing::ValuesIn(rows()),
                         [](const testing::TestParamInfo<Row>& info) {
                             return nameOf(info.param);
                         });

// A run on the simulated 8-bit chip in a folder of its own, whose image it can look at.
class Lptflash : public testing::Test {
  protected:
    ProgramResult run(const Args& args, Settings settings = {}, const char* shellScript = nullptr) {
        settings.emplace("LPTIO_SIM_CHIP", "Am29F040B");
        settings.emplace("LPTIO_SIM_IMAGE", image());
        ProgramResult result = runShipped(Shipped::Lptflash, args, folder, PortLibrary::Simulator,
                                          settings, Platform::Native, shellScript);
        // stderr is a file here, not a terminal: no progress line may be drawn into it.
        EXPECT_EQ(result.err.find('\r'), std::string::npos) << result.err;
        return result;
    }
    std::string image() const { return folder.file("chip.img"); }
    std::string file(const char* name) const { return folder.file(name); }
    // The simulator's fresh image, made by a run that only reads.
    std::string freshImage() {
        EXPECT_EQ(run({"detect"}).exitCode, 0);
        return readWholeFile(image());
    }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TemporaryFolder folder;
};

// The read replaces an existing file only when complete, and keeps its mode.
TEST_F(Lptflash, ReadGivesTheImageAndKeepsTheFilesMode) {
    const std::string chip = freshImage();
    writeWholeFile(file("out.bin"), "old");
    chmod(file("out.bin").c_str(), 0600);
    const ProgramResult result = run({"read", "-q", file("out.bin")});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("read: Am29F040B into \"" + file("out.bin") + "\": 524288 bytes in "),
              std::string::npos)
        << result.out;
    EXPECT_TRUE(readWholeFile(file("out.bin")) == chip);
    EXPECT_EQ(std::filesystem::status(file("out.bin")).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(files(), (std::vector<std::string>{"chip.img", "libio.so", "lptflash", "out.bin"}));
}

// Ctrl-C while the chip is read (once the temporary file exists): no partial file, the old one
// kept, no temporary file left, and the process ends as Ctrl-C ends it.
TEST_F(Lptflash, CtrlCDuringReadLeavesTheOldFile) {
    writeWholeFile(file("out.bin"), "old");
    const ProgramResult result =
        run({"read", file("out.bin")}, {{"LPTIO_SIM_CHIP", "S29GL128P"}},
            "\"$0\" \"$@\" & until ls .out.bin.* >/dev/null 2>&1; do sleep 0.01; done; sleep 0.2; "
            "kill -INT $!; wait $!; echo \"status $?\" >&2");
    EXPECT_NE(result.err.find("lptflash: read stopped by Ctrl-C"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("status 130"), std::string::npos) << result.err;
    EXPECT_EQ(readWholeFile(file("out.bin")), "old");
    EXPECT_EQ(files(), (std::vector<std::string>{"chip.img", "libio.so", "lptflash", "out.bin"}));
}

// On either bus width, a file equal to the chip's start passes; one changed byte is found at its
// address with both values, and the shorter file is said to be shorter.
TEST_F(Lptflash, VerifyFindsTheOneChangedByte) {
    for (const char* chip : {"Am29F040B", "S29GL128P"}) {
        std::filesystem::remove(image());
        EXPECT_EQ(run({"detect"}, {{"LPTIO_SIM_CHIP", chip}}).exitCode, 0);
        std::string data = readWholeFile(image()).substr(0, 20000);
        writeWholeFile(file("data.bin"), data);
        const ProgramResult same = run({"verify", file("data.bin")}, {{"LPTIO_SIM_CHIP", chip}});
        EXPECT_EQ(same.exitCode, 0) << same.err;
        EXPECT_NE(same.out.find("(the file is shorter than the chip's"), std::string::npos);
        data[0x2345] = static_cast<char>(~data[0x2345]);
        writeWholeFile(file("data.bin"), data);
        const ProgramResult changed = run({"verify", file("data.bin")}, {{"LPTIO_SIM_CHIP", chip}});
        EXPECT_EQ(changed.exitCode, 3) << chip;
        char line[64];
        std::snprintf(
            line, sizeof line, "0x002345: file 0x%02X, chip 0x%02X\nverify: 1 difference from",
            static_cast<unsigned char>(data[0x2345]), static_cast<unsigned char>(~data[0x2345]));
        EXPECT_NE(changed.out.find(line), std::string::npos) << changed.out;
    }
}

TEST_F(Lptflash, EraseLeavesABlankChip) {
    const ProgramResult result = run({"erase"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("erase: done in "), std::string::npos);
    EXPECT_NE(result.out.find("blank: all 524288 bytes in "), std::string::npos) << result.out;
    EXPECT_EQ(readWholeFile(image()), std::string(524288, '\xFF'));
}

// Programming clears bits only: a file needing a 0 to become 1 is refused with nothing written,
// --erase makes it possible, and the bytes already right are not programmed again.
TEST_F(Lptflash, WriteProgramsOnlyWhatItCan) {
    const std::string chip = freshImage();
    std::string data = chip.substr(0, 64);
    data[10] = 'M';  // the fresh image's 'L' (0x4C) with bit 0 set
    writeWholeFile(file("data.bin"), data);
    const ProgramResult refused = run({"write", file("data.bin")});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("the byte at 0x00000A must go from 0x4C to 0x4D"), std::string::npos)
        << refused.err;
    EXPECT_TRUE(readWholeFile(image()) == chip) << "the chip changed";

    const ProgramResult erased = run({"write", "--erase", file("data.bin")});
    EXPECT_EQ(erased.exitCode, 0) << erased.err;
    EXPECT_NE(erased.out.find("write: 64 of 64 bytes programmed"), std::string::npos) << erased.out;
    EXPECT_NE(erased.out.find("verify: the chip matches"), std::string::npos) << erased.out;
    EXPECT_TRUE(readWholeFile(image()) == data + std::string(524288 - 64, '\xFF'));

    data[3] = 0x00;  // clears bits only
    data[5] = 0x00;
    writeWholeFile(file("data.bin"), data);
    const int held = open(image().c_str(), O_RDONLY | O_CLOEXEC);
    const ProgramResult again = run({"write", file("data.bin"), "--no-verify"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_NE(again.out.find("write: 2 of 64 bytes programmed"), std::string::npos) << again.out;
    EXPECT_EQ(readWholeFile(image()).substr(3, 3), std::string("\0", 1) + data[4] + '\0');
    struct stat after {};
    EXPECT_EQ(fstat(held, &after), 0);
    EXPECT_EQ(after.st_nlink, 1u) << "programs replaced the image instead of writing it";
    close(held);

    data[4] = 0x00;  // a chip whose programs fail: DQ5, reported at the byte
    writeWholeFile(file("data.bin"), data);
    const ProgramResult failed = run({"write", file("data.bin")}, {{"LPTIO_SIM_FAIL", "program"}});
    EXPECT_EQ(failed.exitCode, 4);
    EXPECT_NE(failed.err.find("the chip reported a failed program (DQ5) at 0x000004 after 0 bytes"),
              std::string::npos)
        << failed.err;
}

TEST_F(Lptflash, WriteRefusesA16BitChipAndChangesNothing) {
    writeWholeFile(file("data.bin"), "\x12\x34");
    EXPECT_EQ(run({"detect"}, {{"LPTIO_SIM_CHIP", "S29GL128P"}}).exitCode, 0);
    const std::string chip = readWholeFile(image());
    const ProgramResult result =
        run({"write", file("data.bin")}, {{"LPTIO_SIM_CHIP", "S29GL128P"}});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("S29GL128P is a 16-bit chip: the adapter drives only the eight "
                              "data-register lines"),
              std::string::npos)
        << result.err;
    EXPECT_TRUE(readWholeFile(image()) == chip) << "the chip changed";
}

}  // namespace
