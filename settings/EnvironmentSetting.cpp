#include "settings/EnvironmentSetting.h"

#include <cstdlib>

namespace porttrace {

std::string environmentSetting(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string badSetting(const char* name, const std::string& value, const std::string& problem,
                       const std::string& accepted) {
    return std::string("lptio: ") + name + "=\"" + value + "\": " + problem +
           "; accepted: " + accepted;
}

}  // namespace porttrace
