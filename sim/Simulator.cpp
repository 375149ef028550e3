#include "sim/Simulator.h"

#include <cstdio>

#include "platform/PerformanceCounter.h"
#include "settings/EnvironmentSetting.h"
#include "sim/ChipImage.h"

namespace sim {

Simulator& Simulator::instance() {
    static Simulator simulator;
    return simulator;
}

Simulator::Simulator() {
    std::vector<std::string> problems;
    settings = readSimSettings(porttrace::environmentSetting, problems);
    trace.openFromEnvironment(problems);
    // The image is only touched when everything else is right: a typo never costs contents.
    if (problems.empty() && settings.board != BoardKind::None) {
        std::vector<std::uint8_t> contents;
        std::string problem;
        if (loadChipImage(settings.imagePath, settings.chip->sizeBytes, contents, problem)) {
            chip =
                std::make_unique<FlashModel>(*settings.chip, std::move(contents), settings.eraseNs);
        } else {
            problems.push_back(porttrace::badSetting(
                ImageVariable, settings.imagePath, problem,
                "a readable file of " + std::to_string(settings.chip->sizeBytes) + " bytes (chip " +
                    settings.chip->name + "), or a new file in a writable folder"));
        }
    }
    for (const std::string& problem : problems) {
        std::fprintf(stderr, "%s\n", problem.c_str());
    }
    if (!problems.empty()) {
        std::fputs(
            "lptio: the simulated adapter is disconnected (board none) until this is fixed\n",
            stderr);
        settings.board = BoardKind::None;
        chip.reset();
    }
    board = std::make_unique<AdapterBoard>(settings.board, chip.get());
    announce();
}

// Said once, so that nobody takes a simulated run for a real adapter passing its test.
void Simulator::announce() const {
    if (settings.board == BoardKind::None) {
        std::fputs("lptio: simulation, no real port: board none (no adapter answers)\n", stderr);
        return;
    }
    std::fprintf(stderr, "lptio: simulation, no real port: board %s, chip %s, image %s\n",
                 boardName(settings.board), settings.chip->name, settings.imagePath.c_str());
}

bool Simulator::registerOf(std::uint16_t port, PortRegister& portRegister) const {
    if (port < SimulatedBasePort || port >= SimulatedBasePort + PortRegisterCount) {
        return false;
    }
    portRegister = static_cast<PortRegister>(port - SimulatedBasePort);
    return true;
}

void Simulator::portOut(std::uint16_t port, std::uint8_t value) {
    PortRegister portRegister{};
    if (!registerOf(port, portRegister)) {
        return;  // no other port is simulated
    }
    const std::int64_t now = monotonicNanoseconds();
    trace.written(now, portRegister, value);
    keepImage(board->write(portRegister, value, now));
}

std::uint8_t Simulator::portIn(std::uint16_t port) {
    PortRegister portRegister{};
    if (!registerOf(port, portRegister)) {
        return 0xFF;  // an address where nothing answers
    }
    const std::int64_t now = monotonicNanoseconds();
    const std::uint8_t value = board->read(portRegister);
    trace.read(now, portRegister, value);
    return value;
}

void Simulator::keepImage(FlashModel::Change change) {
    if (change == FlashModel::Change::None || chip == nullptr) {
        return;
    }
    std::string problem;
    if (!saveChipImage(settings.imagePath, chip->contents(), problem) && !imageWriteFailed) {
        imageWriteFailed = true;  // said once; the chip itself goes on working
        std::fprintf(stderr, "lptio: chip image %s: %s\n", settings.imagePath.c_str(),
                     problem.c_str());
    }
}

}  // namespace sim
