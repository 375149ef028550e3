// SPDX-License-Identifier: MIT
#include "lptflash/Commands.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "driver/Korvella4v4.h"
#include "flash/ChipOperations.h"
#include "lptflash/ExitCode.h"
#include "lptflash/InputFile.h"
#include "lptflash/Progress.h"
#include "os/EnvironmentSetting.h"
#include "platform/ProgramFiles.h"
#include "protocol/AdapterLines.h"

namespace {

using protocol::ChipType;

// Without a maximum from the catalog: the fixed wait of the test run.
constexpr std::uint32_t UnknownChipEraseMaxMs = 300000;
constexpr std::uint32_t ChunkBytes = 8192;  // between two looks at Ctrl-C and the progress
constexpr std::size_t ListedDifferences = 10;

void fail(const std::string& line) {
    std::fprintf(stderr, "lptflash: %s\n", line.c_str());
}

std::string quoted(const std::string& path) {
    return "\"" + settings::shownValue(path) + "\"";
}

std::string hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

// "1 difference", "2 differences"
std::string counted(std::uint64_t count, const char* noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string sizeText(const ChipType& type) {
    const std::uint32_t kib = type.sizeBytes / 1024;
    return kib >= 1024 ? std::to_string(kib / 1024) + " MiB" : std::to_string(kib) + " KiB";
}

bool wordWide(const ChipType& type) {
    return type.busWidth == 16;
}

// The chip's work in hand: the adapter found and the chip named.
struct Session {
    const Options& options;
    FlashChip& chip;
    const ChipType* type;  // null: no catalog chip, no --chip
    bool progressShown;
};

// The first byteCount bytes, a chunk at a time, to take(offset, bytes, count); false when take
// refused a chunk or Ctrl-C came.
bool readChip(Session& session, std::uint32_t byteCount, Progress& progress,
              const std::function<bool(std::uint32_t, const std::uint8_t*, std::uint32_t)>& take) {
    const bool wide = wordWide(*session.type);
    std::vector<std::uint8_t> buffer(ChunkBytes);
    beginArrayRead(session.chip);
    bool complete = true;
    for (std::uint32_t offset = 0; offset < byteCount && complete; offset += ChunkBytes) {
        const std::uint32_t count = std::min(ChunkBytes, byteCount - offset);
        const std::uint32_t units = wide ? (count + 1) / 2 : count;
        readArray(session.chip, wide ? offset / 2 : offset, units, wide, session.options.careful,
                  buffer.data());
        complete = !interruptRequested() && take(offset, buffer.data(), count);
        progress.bytesDone(offset + count);
    }
    session.chip.endAccess();
    return complete;
}

// Differences between what a byte should be and what the chip holds: the first ones listed.
struct Differences {
    std::uint64_t count = 0;
    std::vector<std::string> listed;

    void add(std::uint32_t address, const char* expectedName, std::uint8_t expected,
             std::uint8_t found) {
        if (++count <= ListedDifferences) {
            listed.push_back(hex(address, 6) + ": " + expectedName + " " + hex(expected, 2) +
                             ", chip " + hex(found, 2));
        }
    }
    void print() const {
        for (const std::string& line : listed) {
            std::printf("%s\n", line.c_str());
        }
    }
};

// Compares the chip's first bytes with expected (a file, or all 0xFF for a blank check).
int compareChip(Session& session, const char* what, const char* expectedName,
                const std::vector<std::uint8_t>& expected, Differences& differences,
                std::string& summary) {
    Progress progress(session.progressShown, what, expected.size());
    const bool complete = readChip(
        session, static_cast<std::uint32_t>(expected.size()), progress,
        [&](std::uint32_t offset, const std::uint8_t* bytes, std::uint32_t count) {
            for (std::uint32_t i = 0; i < count; ++i) {
                if (bytes[i] != expected[offset + i]) {
                    differences.add(offset + i, expectedName, expected[offset + i], bytes[i]);
                }
            }
            return true;
        });
    if (!complete) {
        fail(std::string(what) + " stopped by Ctrl-C: nothing was changed");
        return Interrupted;
    }
    summary = progress.summary(expected.size());
    return differences.count == 0 ? ExitCode::Done : ExitCode::Mismatch;
}

int blankCheck(Session& session) {
    Differences differences;
    std::string summary;
    const std::vector<std::uint8_t> erased(session.type->sizeBytes, 0xFF);
    const int result = compareChip(session, "blank", "expected", erased, differences, summary);
    if (result == Interrupted) {
        return result;
    }
    differences.print();
    if (differences.count == 0) {
        std::printf("blank: all %s\n", summary.c_str());
    } else {
        std::printf("blank: not blank: %s; checked %s\n",
                    counted(differences.count, "non-blank byte").c_str(), summary.c_str());
    }
    return result;
}

int verifyAgainst(Session& session, const std::vector<std::uint8_t>& data) {
    Differences differences;
    std::string summary;
    const int result = compareChip(session, "verify", "file", data, differences, summary);
    if (result == Interrupted) {
        return result;
    }
    differences.print();
    const std::string name = quoted(session.options.file);
    const std::string shorter = data.size() < session.type->sizeBytes
                                    ? " (the file is shorter than the chip's " +
                                          std::to_string(session.type->sizeBytes) +
                                          " bytes: compared over its length)"
                                    : "";
    if (differences.count == 0) {
        std::printf("verify: the chip matches %s: %s%s\n", name.c_str(), summary.c_str(),
                    shorter.c_str());
    } else {
        std::printf("verify: %s from %s; compared %s%s\n",
                    counted(differences.count, "difference").c_str(), name.c_str(), summary.c_str(),
                    shorter.c_str());
    }
    return result;
}

int readCommand(Session& session, OutputFile& output) {
    const std::uint32_t size = session.type->sizeBytes;
    Progress progress(session.progressShown, "read", size);
    std::string problem;
    const bool complete =
        readChip(session, size, progress,
                 [&](std::uint32_t, const std::uint8_t* bytes, std::uint32_t count) {
                     return output.write(bytes, count, problem);
                 });
    if (!complete && problem.empty()) {
        fail("read stopped by Ctrl-C: " + quoted(session.options.file) + " was left as it was");
        return Interrupted;
    }
    if (!complete || !output.commit(problem)) {
        fail("cannot write " + quoted(session.options.file) + " (" + problem +
             "): it was left as it was; free space or choose another file");
        return ExitCode::BadUsage;
    }
    std::printf("read: %s into %s: %s\n", session.type->name, quoted(session.options.file).c_str(),
                progress.summary(size).c_str());
    return ExitCode::Done;
}

// Erase and its wait; the caller checks the result.
int eraseChip(Session& session) {
    const std::uint32_t typicalMs = session.type != nullptr ? session.type->eraseMs : 0;
    const std::uint32_t maximumMs =
        session.type != nullptr ? session.type->eraseMaxMs : UnknownChipEraseMaxMs;
    Progress progress(session.progressShown, "erase", 0);
    const ChipOutcome outcome =
        eraseWholeChip(session.chip, std::uint64_t{maximumMs} * 1000, [&](std::uint64_t elapsedUs) {
            progress.waited(elapsedUs, typicalMs, maximumMs);
            return !interruptRequested();
        });
    const std::string elapsed = durationText(progress.elapsedUs());
    switch (outcome) {
        case ChipOutcome::Done:
            std::printf(
                "erase: done in %s (typically %s, at most %s)\n", elapsed.c_str(),
                typicalMs > 0 ? durationText(std::uint64_t{typicalMs} * 1000).c_str() : "unknown",
                durationText(std::uint64_t{maximumMs} * 1000).c_str());
            return ExitCode::Done;
        case ChipOutcome::Failed:
            fail("the chip reported a failed erase (DQ5, exceeded timing limits) after " + elapsed +
                 "; it was reset. Erase again; a chip that fails again is worn out or protected");
            return ExitCode::ChipFailed;
        case ChipOutcome::TimedOut:
            fail("the erase did not end within the chip's maximum of " +
                 durationText(std::uint64_t{maximumMs} * 1000) +
                 "; the chip was reset. Check the chip and its seating, then erase again");
            return ExitCode::ChipFailed;
        case ChipOutcome::Stopped:
            break;
    }
    fail(
        "stopped waiting by Ctrl-C after " + elapsed +
        ": the chip may still be erasing; leave it powered for a minute, then check it with blank");
    return Interrupted;
}

int eraseCommand(Session& session) {
    const int erased = eraseChip(session);
    if (erased != ExitCode::Done || session.options.noVerify) {
        return erased;
    }
    if (session.type == nullptr) {
        std::printf("blank: not checked: the chip's size is not known (name it with --chip)\n");
        return ExitCode::Done;
    }
    return blankCheck(session);
}

int writeCommand(Session& session, const std::vector<std::uint8_t>& data) {
    const ChipType& type = *session.type;
    const auto size = static_cast<std::uint32_t>(data.size());
    std::vector<std::uint8_t> current(size, 0xFF);
    if (!session.options.eraseFirst) {
        Progress reading(session.progressShown, "read", size);
        if (!readChip(session, size, reading,
                      [&](std::uint32_t offset, const std::uint8_t* bytes, std::uint32_t count) {
                          std::copy(bytes, bytes + count, current.begin() + offset);
                          return true;
                      })) {
            fail("write stopped by Ctrl-C before any byte was programmed");
            return Interrupted;
        }
        for (std::uint32_t i = 0; i < size; ++i) {
            if ((data[i] & ~current[i]) != 0) {
                fail("the byte at " + hex(i, 6) + " must go from " + hex(current[i], 2) + " to " +
                     hex(data[i], 2) +
                     ", and programming only clears bits: nothing was written. Add --erase to "
                     "erase the chip first");
                return ExitCode::BadUsage;
            }
        }
    } else {
        const int erased = eraseChip(session);
        if (erased != ExitCode::Done) {
            return erased;
        }
    }
    Progress progress(session.progressShown, "write", size);
    std::uint32_t programmed = 0;
    ChipOutcome outcome = ChipOutcome::Done;
    std::uint32_t at = 0;
    beginArrayRead(session.chip);
    for (; at < size && outcome == ChipOutcome::Done; ++at) {
        if (data[at] != current[at] && data[at] != 0xFF) {
            outcome = programByte(session.chip, at, data[at], type.programMaxUs);
            programmed += outcome == ChipOutcome::Done ? 1 : 0;
        }
        if (outcome == ChipOutcome::Done && interruptRequested()) {
            outcome = ChipOutcome::Stopped;
        }
        progress.bytesDone(at + 1);
    }
    session.chip.endAccess();
    const std::string done = std::to_string(programmed) + " bytes programmed";
    switch (outcome) {
        case ChipOutcome::Done:
            break;
        case ChipOutcome::Stopped:
            fail("write stopped by Ctrl-C: " + done + ", the chip holds part of the file");
            return Interrupted;
        case ChipOutcome::Failed:
        case ChipOutcome::TimedOut:
            fail(std::string("the chip ") +
                 (outcome == ChipOutcome::Failed ? "reported a failed program (DQ5)"
                                                 : "did not finish programming within " +
                                                       std::to_string(type.programMaxUs) + " us") +
                 " at " + hex(at - 1, 6) + " after " + done +
                 "; it was reset. Erase it and write again; a chip that fails again is worn out");
            return ExitCode::ChipFailed;
    }
    std::printf("write: %u of %u bytes programmed (the rest already right or 0xFF) from %s: %s\n",
                programmed, size, quoted(session.options.file).c_str(),
                progress.summary(size).c_str());
    return session.options.noVerify ? ExitCode::Done : verifyAgainst(session, data);
}

void detectReport(const Session& session, const ChipCodes& codes, const ChipType* byCodes) {
    std::printf("codes: manufacturer %s, device %s, extended %s %s\n",
                hex(codes.manufacturer, 2).c_str(), hex(codes.device, 2).c_str(),
                hex(codes.extended14, 2).c_str(), hex(codes.extended15, 2).c_str());
    if (session.type == nullptr) {
        std::printf("chip: unknown chip (no catalog chip has these codes)\n");
        return;
    }
    std::printf("chip: %s, %s (%u bytes), %u-bit bus%s\n", session.type->name,
                sizeText(*session.type).c_str(), session.type->sizeBytes, session.type->busWidth,
                byCodes == nullptr ? " (named by --chip: the codes were overridden)" : "");
}

}  // namespace

int runCommand(const Options& options) {
    const std::string& command = options.command;
    // Files first: a command refused for its file has touched neither the port nor the chip.
    OutputFile output;
    std::vector<std::uint8_t> data;
    std::string problem;
    std::uint32_t largestChip = 0;
    for (const ChipType& type : protocol::chipTable) {
        largestChip = std::max(largestChip, type.sizeBytes);
    }
    if (command == "read" && !output.create(options.file, problem)) {
        fail("cannot write " + quoted(options.file) + " (" + problem +
             "): choose a writable folder and file name");
        return ExitCode::BadUsage;
    }
    if ((command == "verify" || command == "write") &&
        !readInputFile(options.file, largestChip, data, problem)) {
        fail("cannot read " + quoted(options.file) + " (" + problem + "): name a readable file");
        return ExitCode::BadUsage;
    }
    catchInterrupt();

    Korvella4v4 driver(Lpt1BasePort);
    FlashChip chip(&driver);
    const std::int32_t adapter = chip.detectHardware();
    if (adapter == -1) {
        fail(
            "no usable port I/O library (libio.so, io.dll): put the simulator's or the real-port "
            "library beside lptflash; nothing was touched");
        return ExitCode::NoAdapter;
    }
    if (adapter != 1 && adapter != 2) {
        fail(
            "no adapter answered at LPT1 (0x378): check the cable, the adapter's power and the "
            "port");
        return ExitCode::NoAdapter;
    }
    const ChipCodes codes = readChipCodes(chip);
    const ChipType* byCodes = chipWithCodes(codes);
    if (byCodes != nullptr && options.chip != nullptr && byCodes != options.chip) {
        fail(std::string("the codes are those of ") + byCodes->name + ", not of --chip " +
             options.chip->name + ": leave out --chip, or check the chip in the socket");
        return ExitCode::BadUsage;
    }
    Session session{options, chip, byCodes != nullptr ? byCodes : options.chip,
                    !options.quiet && errorStreamIsTerminal()};
    if (command == "detect") {
        std::printf("adapter: %s\n", adapter == 2 ? "Korvella+" : "Velmar/rev3b");
        detectReport(session, codes, byCodes);
        return ExitCode::Done;
    }
    if (session.type == nullptr && command != "erase") {
        fail("unknown chip (codes " + hex(codes.manufacturer, 2) + " " + hex(codes.device, 2) +
             " " + hex(codes.extended14, 2) + " " + hex(codes.extended15, 2) +
             "): name it with --chip (" + catalogNames() + ")");
        return ExitCode::BadUsage;
    }
    if (byCodes == nullptr && session.type != nullptr) {
        std::printf("chip: %s, named by --chip: the codes were overridden\n", session.type->name);
    }
    if (data.size() > (session.type != nullptr ? session.type->sizeBytes : 0)) {
        fail("cannot use " + quoted(options.file) + ": its " + std::to_string(data.size()) +
             " bytes are more than the " + std::to_string(session.type->sizeBytes) + " of " +
             session.type->name + "; nothing was changed");
        return ExitCode::BadUsage;
    }
    if (command == "write" && wordWide(*session.type)) {
        fail(std::string(session.type->name) +
             " is a 16-bit chip: the adapter drives only the eight data-register lines, so the "
             "upper byte of a word cannot be written; read, verify, blank and erase work on it");
        return ExitCode::BadUsage;
    }
    if (command == "read") {
        return readCommand(session, output);
    }
    if (command == "verify") {
        return verifyAgainst(session, data);
    }
    if (command == "blank") {
        return blankCheck(session);
    }
    if (command == "erase") {
        return eraseCommand(session);
    }
    return writeCommand(session, data);
}
