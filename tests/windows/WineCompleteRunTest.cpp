// Complete runs under Wine: one with the simulator in real time (the erase wait takes its full
// 300 s), and one through the hardware io.dll with the clock preload sped up.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "WineProgramRun.h"

namespace {

TEST(WineCompleteRun, SimulatorRunReportsTheChipErasesItAndExitsWithZero) {
    ASSERT_FALSE(setting("LPTFLASH_WINE").empty()) << "run this through ctest";
    ASSERT_NE(pausePrompt().find("Press any key"), std::string::npos) << pausePrompt();

    const OperatorFolder folder(setting("LPTFLASH_WINDOWS_SIMULATOR"));
    const ProgramResult result = folder.run();

    // The simulator's default chip, fresh (its image starts with "LP"), on its default board.
    EXPECT_EQ(result.out, expectedOutput({"Korvella+ detected !", "#READ:[00]=0x504C",
                                          "#ID:  [MAN]=0x01; [DEV]=0x7E",
                                          "#EXT: [DEV]=0x21; [DEV]=0x01", "Erase in progress...",
                                          "Wait 300 seconds !", "#READ:[00]=0xFFFF", ""}))
        << result.err;
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err.find("lptio:"), std::string::npos) << "simulator problem: " << result.err;
    // The erase reached the chip, and the simulator's Windows file code replaced its image.
    const std::string image = folder.file("lptio-sim-S29GL128P.img");
    const std::string contents = readWholeFile(image);
    EXPECT_EQ(contents.size(), 16u * 1024 * 1024) << image;
    EXPECT_EQ(contents.find_first_not_of('\xFF'), std::string::npos) << image << " not erased";
}

// One port access per line as the recording libraries log them: "W 890 0D", "R 889 7F".
std::vector<std::string> logLines(const std::string& log) {
    std::vector<std::string> lines;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line.substr(0, line.find('\r')));  // text mode on Windows
    }
    return lines;
}

// The same complete run on Linux through the recording library, and under Wine through our
// io.dll and the stand-in port-access library, both on the sped-up clock.
TEST(WineCompleteRun, HardwareLibraryForwardsEveryAccessToTheChosenBase) {
    ASSERT_FALSE(setting("LPTFLASH_WINE").empty()) << "run this through ctest";
    const std::string status = "80 00 80";  // the probe's answer: an adapter is there
    const TemporaryFolder linux;
    const ProgramResult reference = runProgram({LINUX_FLASHTEST,
                                                {},
                                                {{"LD_LIBRARY_PATH", LINUX_SCRIPTIO_DIR},
                                                 {"LD_PRELOAD", LINUX_FASTCLOCK},
                                                 {"SCRIPTIO_LOG", linux.file("ports.log")},
                                                 {"SCRIPTIO_STATUS", status}},
                                                "",
                                                ""});
    ASSERT_EQ(reference.exitCode, 0) << reference.err;

    const OperatorFolder folder(setting("LPTFLASH_WINDOWS_HARDWARE"));
    folder.copy(setting("LPTFLASH_WINDOWS_PORT_DRIVER"), "inpoutx64.dll");
    // The library reads the three registers once when it opens the port: a status byte first.
    const ProgramResult result = folder.run({{"LPTIO_PORT", "0xd010"},
                                             {"LPTIO_FORCE_PORT", "1"},
                                             {"SCRIPTIO_LOG", "ports.log"},
                                             {"SCRIPTIO_STATUS", "7F " + status},
                                             {"LPTIO_TRACE_BUSLOG", "bus.log"},
                                             {"LD_PRELOAD", LINUX_FASTCLOCK}});

    std::string out = reference.out.substr(0, reference.out.rfind("Press any key"));
    for (std::size_t at = 0; (at = out.find('\n', at)) != std::string::npos; at += 2) {
        out.insert(at, "\r");
    }
    EXPECT_EQ(result.out, out + pausePrompt());
    EXPECT_EQ(result.exitCode, 0);
    // Wine lists no parallel port: the forced one is used, with a note, and nothing else said.
    EXPECT_NE(result.err.find("lptio: LPTIO_FORCE_PORT=1: using 0xd010, which Windows does not "
                              "list as a parallel port (it lists none)\r\n"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(result.err.find("lptio:"), result.err.rfind("lptio:")) << result.err;

    // Every access at 0xd010 instead of 0x378, after the opening reads, without the writes to
    // the read-only status register, and with the one read-back of the data register after the
    // probe's first data write while the data lines are driven.
    std::vector<std::string> expected = {"R 53264 00", "R 53265 7F", "R 53266 00"};
    for (const std::string& line : logLines(readWholeFile(linux.file("ports.log")))) {
        const unsigned long port = std::stoul(line.substr(2, 3));
        if (line[0] != 'W' || port != 0x379) {
            expected.push_back(line.substr(0, 2) + std::to_string(port - 0x378 + 0xD010) +
                               line.substr(5));
        }
    }
    ASSERT_GT(expected.size(), 1000u);
    ASSERT_EQ(expected[8], "W 53264 01");
    expected.insert(expected.begin() + 9, "R 53264 01");
    EXPECT_EQ(logLines(readWholeFile(folder.file("ports.log"))), expected);
    EXPECT_NE(readWholeFile(folder.file("bus.log")).find("chip erase"), std::string::npos);
}

// The entry points flashtest.exe never calls, through the same library and stand-in.
TEST(WineCompleteRun, HardwareLibraryBuildsWordsBitsAndShiftsOnByteAccess) {
    ASSERT_FALSE(setting("LPTFLASH_WINE").empty()) << "run this through ctest";
    const OperatorFolder folder(setting("LPTFLASH_WINDOWS_HARDWARE"));
    folder.copy(setting("LPTFLASH_WINDOWS_PORT_DRIVER"), "inpoutx64.dll");
    folder.copy(setting("LPTFLASH_WINDOWS_CALLER"), "call.exe");
    const ProgramResult result =
        folder.run({{"LPTIO_PORT", "0xd010"},
                    {"LPTIO_FORCE_PORT", "1"},
                    {"SCRIPTIO_LOG", "ports.log"},
                    {"SCRIPTIO_STATUS", "7F 6C"}},
                   {"call.exe", "NotPortBit:890:2", "PortWordOut:888:48879", "SetPortBit:888:4",
                    "ClrPortBit:888:0", "RightPortShift:888:4", "LeftPortShift:888:3",
                    "GetPortBit:888:6", "GetPortBit:888:7", "PortWordIn:888", "PortDWordIn:888"});

    EXPECT_EQ(result.out, "1\r\n0\r\n6C78\r\nFF04FF78\r\n") << result.err;
    EXPECT_EQ(logLines(readWholeFile(folder.file("ports.log"))),
              std::vector<std::string>({"R 53264 00", "R 53265 7F", "R 53266 00",  // opening
                                        "R 53266 00", "W 53266 04",                // toggle bit 2
                                        "W 53264 EF", "R 53264 EF",                // word, checked
                                        "R 53264 EF", "W 53264 FF",                // set bit 4
                                        "R 53264 FF", "W 53264 FE",                // clear bit 0
                                        "R 53264 FE", "W 53264 0F",                // >> 4
                                        "R 53264 0F", "W 53264 78",                // << 3
                                        "R 53264 78", "R 53264 78",                // bits 6, 7
                                        "R 53264 78", "R 53265 6C",                // word
                                        "R 53264 78", "R 53265 FF", "R 53266 04"}));  // dword
    EXPECT_NE(result.err.find("lptio: 0x37b is not a parallel port register"), std::string::npos)
        << result.err;
}

}  // namespace
