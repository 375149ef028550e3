// Runs the shipped flashtest against the simulated adapter with the sped-up clock.
#ifndef LPTFLASH_TESTS_SIM_SIMULATEDRUN_H
#define LPTFLASH_TESTS_SIM_SIMULATEDRUN_H

#include <map>
#include <string>

#include "ProgramRun.h"

inline const std::string PauseLine = "Press any key to continue . . . \n";

// Every LPTIO_ variable not given is removed, so the test's own environment cannot leak in.
inline ProgramRun simulatedRun(std::map<std::string, std::string> environment,
                               const std::string& workingDirectory = "") {
    for (const char* name : {"LPTIO_SIM_BOARD", "LPTIO_SIM_CHIP", "LPTIO_SIM_IMAGE",
                             "LPTIO_SIM_ERASE_MS", "LPTIO_TRACE_VCD", "LPTIO_TRACE_BUSLOG"}) {
        environment.emplace(name, "");
    }
    environment["LD_PRELOAD"] = FASTCLOCK_LIBRARY;
    environment.emplace("LD_LIBRARY_PATH", SIM_LIBRARY_DIR);
    ProgramRun run;
    run.program = FLASHTEST_PROGRAM;
    run.environment = environment;
    run.workingDirectory = workingDirectory;
    return run;
}

inline ProgramResult runSimulated(std::map<std::string, std::string> environment,
                                  const std::string& workingDirectory = "") {
    return runProgram(simulatedRun(std::move(environment), workingDirectory));
}

// As a shell runs the program after script (which ends in exec "$0").
inline ProgramResult runSimulatedFromShell(std::map<std::string, std::string> environment,
                                           const std::string& script) {
    ProgramRun run = simulatedRun(std::move(environment));
    run.arguments = {"-c", script, run.program};
    run.program = "/bin/sh";
    return runProgram(run);
}

#endif
