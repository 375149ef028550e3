// SPDX-License-Identifier: MIT
#include "trace/PortTrace.h"

#include "os/EnvironmentSetting.h"
#include "trace/FileIdentity.h"
#include "trace/TraceStorage.h"

namespace trace {

namespace {

constexpr const char* Accepted =
    "a regular file no other run uses, or a new file in an existing folder; or unset";

}  // namespace

bool PortTrace::checkEnvironment(std::vector<std::string>& problems,
                                 const std::vector<std::string>& guarded) const {
    struct Taken {
        std::string identity;
        const char* what;
    };
    std::vector<Taken> taken;
    for (const std::string& path : guarded) {
        taken.push_back({fileIdentity(path), "the chip image"});
    }
    const std::string library = ownModulePath();
    if (!library.empty()) {
        taken.push_back({fileIdentity(library), "the port I/O library itself"});
    }
    bool fine = true;
    for (const char* variable : {VcdVariable, BusLogVariable}) {
        const std::string path = settings::environmentSetting(variable);
        if (path.empty()) {
            continue;
        }
        const std::string identity = fileIdentity(path);
        const std::string problem = traceTargetProblem(path);
        if (!problem.empty()) {
            problems.push_back(settings::badSetting(variable, path, problem, Accepted));
            fine = false;
        }
        for (const Taken& other : taken) {
            if (identity == other.identity) {
                problems.push_back(settings::badSetting(variable, path,
                                                        std::string("is ") + other.what, Accepted));
                fine = false;
                break;
            }
        }
        taken.push_back({identity, "the other trace"});
    }
    return fine;
}

// One trace after the other, stopping at the first that cannot be taken: two runs on the same
// pair both try the waveform first, so one of them gets both instead of each getting one.
bool PortTrace::openFromEnvironment(std::vector<std::string>& problems) {
    bool fine = true;
    auto openOne = [&](const char* variable, auto& writer) {
        const std::string path = settings::environmentSetting(variable);
        std::string reason;
        if (fine && !path.empty() && !writer.open(path, reason)) {
            problems.push_back(settings::badSetting(
                variable, path, "cannot take the trace (" + reason + ")", Accepted));
            fine = false;
        }
    };
    openOne(VcdVariable, vcd);
    openOne(BusLogVariable, busLog);
    if (!fine) {
        vcd.close();
        busLog.close();
    }
    return fine;
}

}  // namespace trace
