// Complete runs under Wine, for either Windows build: against the simulator, against the
// scripted library that records every port access, and through our hardware io.dll. ctest
// speeds up Wine's clock for them, or, for the one real-time run, leaves it alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "PortLog.h"
#include "SampleChip.h"
#include "WineProgramRun.h"

namespace {

TEST(WineCompleteRun, SimulatorRunReportsTheChipErasesItAndExitsWithZero) {
    ASSERT_FALSE(setting("LPTFLASH_WINE").empty()) << "run this through ctest";
    ASSERT_NE(pausePrompt().find("Press any key"), std::string::npos) << pausePrompt();

    const OperatorFolder folder(setting("LPTFLASH_WINDOWS_SIMULATOR"));
    const ProgramResult result = folder.run();

    // The simulator's default chip, fresh (its image starts with "LP"), on its default board.
    EXPECT_EQ(result.out, expectedOutput("Korvella+ detected !\n#READ:[00]=0x504C\n"
                                         "#ID:  [MAN]=0x01; [DEV]=0x7E\n"
                                         "#EXT: [DEV]=0x21; [DEV]=0x01\nErase in progress...\n"
                                         "Wait 300 seconds !\n#READ:[00]=0xFFFF\n\n"))
        << result.err;
    EXPECT_EQ(result.exitCode, 0);
    // The simulator says once that it is one, and nothing else.
    EXPECT_EQ(result.err.rfind("lptio: simulation, no real port: board korvella+, chip S29GL128P, "
                               "image lptio-sim-S29GL128P.img",
                               0),
              0u)
        << result.err;
    EXPECT_EQ(result.err.find("lptio:", 1), std::string::npos)
        << "simulator problem: " << result.err;
    // The erase reached the chip, and the simulator's Windows file code replaced its image.
    const std::string image = folder.file("lptio-sim-S29GL128P.img");
    const std::string contents = readWholeFile(image);
    EXPECT_EQ(contents.size(), 16u * 1024 * 1024) << image;
    EXPECT_EQ(contents.find_first_not_of('\xFF'), std::string::npos) << image << " not erased";
}

// Every port write and read as the Linux program makes them, through the library's own calling
// convention (stdcall on x86, where a mismatch would corrupt the stack).
TEST(WineCompleteRun, RecordingLibrarySeesEveryPortAccessInOrder) {
    ASSERT_FALSE(setting("LPTFLASH_WINE").empty()) << "run this through ctest";
    const std::vector<unsigned> chipBytes(sampleChipBytes.begin(), sampleChipBytes.end());

    const OperatorFolder folder(setting("LPTFLASH_WINDOWS_SCRIPTIO"));
    const ProgramResult result = folder.run(
        {{"SCRIPTIO_LOG", "ports.log"}, {"SCRIPTIO_STATUS", statusScript({1, 0, 1}, chipBytes)}});

    EXPECT_EQ(result.out, expectedOutput(std::string("Korvella+ detected !\n") + sampleChipReport))
        << result.err;
    EXPECT_EQ(result.exitCode, 0);
    const auto accesses = parseLog(readWholeFile(folder.file("ports.log")));
    EXPECT_EQ(accessStrings(accesses, constructionAndProbe.size()), constructionAndProbe);
    EXPECT_EQ(busCycles(accesses), reportCycles(chipBytes));
    EXPECT_EQ(accesses.size(), 1658u + 3u + 8u * 8u);
    ASSERT_FALSE(accesses.empty());
    EXPECT_EQ(accessStrings({accesses.back()}, 1), std::vector<std::string>{"W 890 09"});
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

// Puts the stand-in port-access library beside the hardware io.dll, under the real one's name.
void addPortDriver(const OperatorFolder& folder) {
    const std::string driver = setting("LPTFLASH_WINDOWS_PORT_DRIVER");
    folder.copy(driver, std::filesystem::path(driver).filename().string().c_str());
}

// The recording library's complete run again, through our io.dll and the stand-in, forced to a
// PCIe-style base that Wine does not list.
TEST(WineCompleteRun, HardwareLibraryForwardsEveryAccessToTheChosenBase) {
    ASSERT_FALSE(setting("LPTFLASH_WINE").empty()) << "run this through ctest";
    const std::vector<unsigned> chipBytes(sampleChipBytes.begin(), sampleChipBytes.end());
    const std::string status = statusScript({1, 0, 1}, chipBytes);
    const OperatorFolder recording(setting("LPTFLASH_WINDOWS_SCRIPTIO"));
    const ProgramResult reference =
        recording.run({{"SCRIPTIO_LOG", "ports.log"}, {"SCRIPTIO_STATUS", status}});
    ASSERT_EQ(reference.exitCode, 0) << reference.err;

    const OperatorFolder folder(setting("LPTFLASH_WINDOWS_HARDWARE"));
    addPortDriver(folder);
    // The library reads the three registers once when it opens the port: a status byte first.
    const ProgramResult result = folder.run({{"LPTIO_PORT", "0xd010"},
                                             {"LPTIO_FORCE_PORT", "1"},
                                             {"SCRIPTIO_LOG", "ports.log"},
                                             {"SCRIPTIO_STATUS", "7F " + status},
                                             {"LPTIO_TRACE_BUSLOG", "bus.log"}});

    EXPECT_EQ(result.out, reference.out);
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
    for (const std::string& line : logLines(readWholeFile(recording.file("ports.log")))) {
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
    addPortDriver(folder);
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
