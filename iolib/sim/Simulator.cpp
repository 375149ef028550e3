// SPDX-License-Identifier: MIT
#include "sim/Simulator.h"

#include <cstdio>

#include "os/EnvironmentSetting.h"
#include "os/MonotonicClock.h"
#include "sim/ChipImage.h"

namespace sim {

Simulator& Simulator::instance() {
    static Simulator simulator;
    return simulator;
}

Simulator::Simulator() {
    std::vector<std::string> problems;
    settings = readSimSettings(settings::environmentSetting, problems);
    // Every setting is checked before any file is written: a typo never costs contents, and a
    // refused run leaves every file as it was.
    trace.checkEnvironment(problems, {settings.imagePath});
    const bool usesChip = settings.board != BoardKind::None;
    std::vector<std::uint8_t> contents;
    std::string problem;
    if (problems.empty() && usesChip &&
        !image.load(settings.imagePath, settings.chip->sizeBytes, contents, problem)) {
        problems.push_back(imageProblem(problem));
    }
    // The image is made before any trace is opened: a run refused over it leaves traces alone.
    if (problems.empty() && usesChip && !image.createIfMissing(contents, problem)) {
        problems.push_back(imageProblem(problem));
    }
    if (problems.empty() && trace.openFromEnvironment(problems) && usesChip) {
        chip = std::make_unique<FlashModel>(*settings.chip, std::move(contents), settings.eraseNs,
                                            settings.fail);
    }
    for (const std::string& message : problems) {
        std::fprintf(stderr, "%s\n", message.c_str());
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

Simulator::~Simulator() {
    std::string problem;
    if (chip != nullptr) {
        reportUnsaved(image.sync(problem), problem);
    }
}

// Said once, so that nobody takes a simulated run for a real adapter passing its test.
void Simulator::announce() const {
    if (settings.board == BoardKind::None) {
        std::fputs("lptio: simulation, no real port: board none (no adapter answers)\n", stderr);
        return;
    }
    std::fprintf(stderr, "lptio: simulation, no real port: board %s, chip %s, image %s\n",
                 boardName(settings.board), settings.chip->name,
                 settings::shownValue(settings.imagePath).c_str());
}

std::string Simulator::imageProblem(const std::string& problem) const {
    const std::string accepted = "a writable file of " + std::to_string(settings.chip->sizeBytes) +
                                 " bytes (chip " + settings.chip->name +
                                 ") that no other run uses, or a new file in a writable folder";
    if (!settings.imageChosen) {
        // Nobody set the variable: the fix is the folder the run started in, or setting it.
        return "lptio: the default image " + settings::shownValue(settings.imagePath) +
               " in the current folder: " + problem + "; run in a writable folder or set " +
               ImageVariable + " to " + accepted;
    }
    return settings::badSetting(ImageVariable, settings.imagePath, problem, accepted);
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
    keepImage(board->write(portRegister, value, now), now);
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

// An erase replaces the whole image; a program writes its one byte in place, which costs a
// write, not a 16 MiB copy, and syncs at most once a second (and at exit): a killed run keeps
// every byte, and a power cut loses at most the last second's.
void Simulator::keepImage(FlashModel::Change change, std::int64_t nowNs) {
    constexpr std::int64_t SyncEveryNs = 1'000'000'000;
    if (change == FlashModel::Change::None || chip == nullptr) {
        return;
    }
    std::string problem;
    if (change == FlashModel::Change::Erased) {
        reportUnsaved(image.save(chip->contents(), problem), problem);
        imageSyncedNs = nowNs;
        return;
    }
    reportUnsaved(image.program(chip->contents(), chip->programmedOffset(), problem), problem);
    if (nowNs - imageSyncedNs >= SyncEveryNs) {
        imageSyncedNs = nowNs;
        reportUnsaved(image.sync(problem), problem);
    }
}

void Simulator::reportUnsaved(bool saved, const std::string& problem) {
    if (!saved && !imageWriteFailed) {
        imageWriteFailed = true;  // said once; the chip itself goes on working
        std::fprintf(stderr,
                     "lptio: the chip's new contents were not saved to %s (%s); the next run "
                     "starts from the contents saved before\n",
                     settings::shownValue(settings.imagePath).c_str(), problem.c_str());
    }
}

}  // namespace sim
