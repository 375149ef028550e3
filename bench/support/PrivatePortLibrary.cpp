// SPDX-License-Identifier: MIT
#include "PrivatePortLibrary.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

namespace {

// Sets names for its lifetime and puts back what was there before.
class EnvironmentOverride {
  public:
    explicit EnvironmentOverride(const std::map<std::string, std::string>& environment) {
        for (const auto& [name, value] : environment) {
            const char* before = std::getenv(name.c_str());
            saved.push_back(
                {name, before != nullptr ? std::optional<std::string>(before) : std::nullopt});
            apply(name, value.empty() ? std::nullopt : std::optional<std::string>(value));
        }
    }
    ~EnvironmentOverride() {
        for (const auto& [name, value] : saved) {
            apply(name, value);
        }
    }
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

  private:
    static void apply(const std::string& name, const std::optional<std::string>& value) {
        if (value) {
            setenv(name.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name.c_str());
        }
    }

    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};

}  // namespace

PrivatePortLibrary::PrivatePortLibrary(const std::string& libraryFile, const std::string& folder,
                                       const std::map<std::string, std::string>& environment) {
    const std::filesystem::path copy =
        std::filesystem::path(folder) / std::filesystem::path(libraryFile).filename();
    std::error_code error;
    std::filesystem::copy_file(libraryFile, copy, error);
    if (error) {
        failure = "cannot copy " + libraryFile + ": " + error.message();
        return;
    }
    const EnvironmentOverride override(environment);
    handle = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        failure = dlerror();
        return;
    }
    loaded.portOut = reinterpret_cast<PortOutEntry>(dlsym(handle, "PortOut"));
    loaded.portIn = reinterpret_cast<PortInEntry>(dlsym(handle, "PortIn"));
    if (loaded.portOut == nullptr || loaded.portIn == nullptr) {
        failure = copy.string() + " lacks PortOut or PortIn";
        return;
    }
    (void)loaded.in(889);  // a library may read its settings only when first used
}

PrivatePortLibrary::~PrivatePortLibrary() {
    if (handle != nullptr) {
        dlclose(handle);  // runs the library's exit work: traces are completed here
    }
}
