#include "porttrace/PortTrace.h"

#include "settings/EnvironmentSetting.h"

namespace porttrace {

bool PortTrace::openFromEnvironment(std::vector<std::string>& problems) {
    bool fine = true;
    auto openOne = [&](const char* variable, auto& writer) {
        const std::string path = environmentSetting(variable);
        std::string reason;
        if (!path.empty() && !writer.open(path, reason)) {
            problems.push_back(badSetting(variable, path, "cannot create the file (" + reason + ")",
                                          "a path where a new file can be written, or unset"));
            fine = false;
        }
    };
    openOne(VcdVariable, vcd);
    openOne(BusLogVariable, busLog);
    return fine;
}

}  // namespace porttrace
