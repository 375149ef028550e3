#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "LineDriver.h"
#include "ProgramRun.h"
#include "sim/ChipImage.h"
#include "sim/Simulator.h"

namespace {

// A simulator set up from the environment, driven at LPT1 like the program drives it.
struct SimulatorAtLpt1 {
    explicit SimulatorAtLpt1(const std::string& image) {
        for (const char* name :
             {"LPTIO_SIM_BOARD", "LPTIO_SIM_ERASE_MS", "LPTIO_TRACE_VCD", "LPTIO_TRACE_BUSLOG"}) {
            unsetenv(name);
        }
        setenv("LPTIO_SIM_CHIP", "Am29F040B", 1);
        setenv("LPTIO_SIM_IMAGE", image.c_str(), 1);
        simulator = std::make_unique<sim::Simulator>();
        driver.construct();
        driver.beginAccess();
    }
    void command(std::uint8_t code) {
        driver.writeByte(0x555, 0xAA);
        driver.writeByte(0x2AA, 0x55);
        driver.writeByte(0x555, code);
    }

    std::unique_ptr<sim::Simulator> simulator;
    LineDriver driver{[this](std::uint8_t offset, std::uint8_t value) {
                          simulator->portOut(static_cast<std::uint16_t>(0x378 + offset), value);
                      },
                      [this](std::uint8_t offset) {
                          return simulator->portIn(static_cast<std::uint16_t>(0x378 + offset));
                      }};
};

TEST(Simulator, EveryProgramAndEraseReachesTheImageFileAtOnce) {
    TemporaryFolder folder;
    const std::string image = folder.file("chip.img");
    SimulatorAtLpt1 bench(image);
    const std::string fresh = readWholeFile(image);
    ASSERT_EQ(fresh.size(), 512u * 1024);
    EXPECT_EQ(fresh.substr(0, 10), "LPTIO SIM ");

    bench.command(0xA0);
    bench.driver.writeByte(0x3, 0x00);
    std::string expected = fresh;
    expected[3] = '\0';
    EXPECT_EQ(readWholeFile(image), expected);

    bench.command(0x80);
    bench.command(0x10);
    EXPECT_EQ(readWholeFile(image), std::string(512 * 1024, '\xFF'));
}

TEST(Simulator, OnlyTheThreeRegistersOfLpt1Answer) {
    TemporaryFolder folder;
    SimulatorAtLpt1 bench(folder.file("chip.img"));
    bench.simulator->portOut(0x278, 0x55);
    EXPECT_EQ(bench.simulator->portIn(0x278), 0xFF);
    EXPECT_EQ(bench.simulator->portIn(0x37B), 0xFF);
    EXPECT_EQ(bench.simulator->portIn(0x378), 0x00);  // the data latch, untouched by 0x278
}

}  // namespace
