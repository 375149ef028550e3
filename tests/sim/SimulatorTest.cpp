#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "LineDriver.h"
#include "ProgramRun.h"
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

    std::unique_ptr<sim::Simulator> simulator;
    // The simulator as the library's entry points reach it.
    struct SimulatorPort {
        std::unique_ptr<sim::Simulator>* simulator;
        void out(short port, char value) {
            (*simulator)
                ->portOut(static_cast<std::uint16_t>(port), static_cast<std::uint8_t>(value));
        }
        char in(short port) {
            return static_cast<char>((*simulator)->portIn(static_cast<std::uint16_t>(port)));
        }
    };
    LineDriver<SimulatorPort> driver{SimulatorPort{&simulator}};
};

TEST(Simulator, EveryProgramAndEraseReachesTheImageFileAtOnce) {
    TemporaryFolder folder;
    const std::string image = folder.file("chip.img");
    SimulatorAtLpt1 bench(image);
    std::string expected = readWholeFile(image);
    ASSERT_EQ(expected.size(), 512u * 1024);

    bench.driver.command(0xA0);
    bench.driver.writeByte(0x3, 0x00);
    expected[3] = '\0';
    EXPECT_EQ(readWholeFile(image), expected);

    bench.driver.command(0x80);
    bench.driver.command(0x10);
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
