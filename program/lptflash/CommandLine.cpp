// SPDX-License-Identifier: MIT
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "flash/ChipCatalogLookup.h"
#include "lptflash/ExitCode.h"
#include "lptflash/Options.h"
#include "os/EnvironmentSetting.h"

namespace {

void addCommon(CLI::App& command, Options& options, std::string& chipName) {
    command.add_option("--chip", chipName,
                       "use this catalog chip when the codes match none (" + catalogNames() + ")");
    command.add_flag("-q,--quiet", options.quiet, "no progress line");
}

void addCareful(CLI::App& command, Options& options) {
    command.add_flag("--careful", options.careful,
                     "read with the slow cycles and settle waits of flashtest, for an adapter "
                     "that needs them");
}

}  // namespace

int parseCommandLine(int argc, char** argv, Options& options) {
    CLI::App app{
        "lptflash: read, verify, blank-check, erase and program the flash chip in the "
        "adapter on LPT1 (0x378)",
        "lptflash"};
    app.footer(ExitCodeTable);
    app.require_subcommand(1);
    std::string chipName;

    CLI::App* detect = app.add_subcommand(
        "detect", "probe the adapter, read the chip's codes and name it from the catalog");
    CLI::App* read = app.add_subcommand(
        "read", "read the whole chip into FILE (raw; 16-bit chips low byte first)");
    CLI::App* verify = app.add_subcommand(
        "verify", "compare the chip with FILE; list the first differences and count them");
    CLI::App* blank = app.add_subcommand("blank", "check that every byte reads 0xFF");
    CLI::App* erase = app.add_subcommand(
        "erase", "erase the whole chip, wait for it by status polling, then check it is blank");
    CLI::App* write = app.add_subcommand(
        "write", "program FILE into an 8-bit chip from address 0, then verify it");
    const std::vector<CLI::App*> commands = {detect, read, verify, blank, erase, write};
    read->add_option("FILE", options.file, "the file to write; replaced only by a complete read")
        ->required();
    verify->add_option("FILE", options.file, "the file to compare with; not longer than the chip")
        ->required();
    write->add_option("FILE", options.file, "the file to program; not longer than the chip")
        ->required();
    for (CLI::App* command : commands) {
        addCommon(*command, options, chipName);
        command->footer(ExitCodeTable);
    }
    for (CLI::App* command : {read, verify, blank, erase, write}) {
        addCareful(*command, options);
    }
    for (CLI::App* command : {erase, write}) {
        command->add_flag("--no-verify", options.noVerify, "no check afterwards");
    }
    write->add_flag("--erase", options.eraseFirst,
                    "erase the chip first (needed when a bit must go from 0 to 1)");

    // CLI11 would only say that a subcommand is required: name the word it took for one.
    if (argc > 1 && argv[1][0] != '-' &&
        std::none_of(commands.begin(), commands.end(),
                     [&](const CLI::App* command) { return command->get_name() == argv[1]; })) {
        std::fprintf(stderr,
                     "lptflash: \"%s\" is no subcommand; use one of detect, read, verify, blank, "
                     "erase, write (see lptflash --help)\n",
                     settings::shownValue(argv[1]).c_str());
        return ExitCode::BadUsage;
    }
    // CLI11 reports a parse failure only by throwing: this is the one place its exceptions are
    // caught, and each becomes the exit code for bad usage with one line on stderr.
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) {
            return app.exit(error);  // --help: printed on stdout
        }
        std::fprintf(stderr, "lptflash: %s; see lptflash --help\n",
                     settings::shownValue(error.what()).c_str());
        return ExitCode::BadUsage;
    }
    for (CLI::App* command : app.get_subcommands()) {
        options.command = command->get_name();
    }
    if (!chipName.empty()) {
        options.chip = chipNamed(chipName);
        if (options.chip == nullptr) {
            std::fprintf(stderr,
                         "lptflash: --chip \"%s\": no such chip in the catalog; use one of %s\n",
                         settings::shownValue(chipName).c_str(), catalogNames().c_str());
            return ExitCode::BadUsage;
        }
    }
    return -1;
}
