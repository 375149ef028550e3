#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#include "ProgramRun.h"
#include "sim/ChipCatalog.h"

namespace {

std::string hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

// The table row that the README should show for the chip.
std::string rowOf(const sim::ChipType& chip) {
    const int digits = chip.busWidth == 16 ? 4 : 2;
    const std::string size = chip.sizeBytes >= 1024 * 1024
                                 ? std::to_string(chip.sizeBytes / (1024 * 1024)) + " MiB"
                                 : std::to_string(chip.sizeBytes / 1024) + " KiB";
    return "| " + std::string(chip.name) + " | " + std::to_string(chip.busWidth) + "-bit | " +
           hex(chip.manufacturer, digits) + " | " + hex(chip.device, digits) + " | " +
           (chip.hasExtendedCodes
                ? hex(chip.extended14, digits) + " | " + hex(chip.extended15, digits)
                : std::string("– | –")) +
           " | " + size + " | " + std::to_string(chip.eraseMs / 1000) + " s |";
}

// Rows of the table in the README's simulator section whose first cell is a chip.
std::set<std::string> readmeChipRows() {
    std::istringstream readme(readWholeFile(LPTFLASH_SOURCE_DIR "/README.md"));
    std::set<std::string> rows;
    bool inSection = false;
    for (std::string line; std::getline(readme, line);) {
        if (line.rfind("## ", 0) == 0) {
            inSection = line == "## The simulator";
        } else if (inSection && line.rfind("| ", 0) == 0 && line.find(" | ") != std::string::npos &&
                   line.find("-bit |") != std::string::npos) {
            rows.insert(line);
        }
    }
    return rows;
}

TEST(ChipCatalog, TheReadmeTableListsExactlyTheCatalog) {
    std::set<std::string> expected;
    for (const sim::ChipType& chip : sim::chipCatalog()) {
        expected.insert(rowOf(chip));
    }
    EXPECT_EQ(readmeChipRows(), expected);
}

TEST(ChipCatalog, TheDefaultIsAWordChipWithExtendedCodesAndErasesWellInsideTheProgramsWait) {
    const sim::ChipType& chip = sim::defaultChip();
    EXPECT_EQ(chip.busWidth, 16u);
    EXPECT_TRUE(chip.hasExtendedCodes);
    EXPECT_LT(chip.eraseMs, 300000u / 2);
    for (const sim::ChipType& other : sim::chipCatalog()) {
        EXPECT_LT(other.eraseMs, 300000u / 2) << other.name;
    }
}

}  // namespace
