// SPDX-License-Identifier: MIT
#include "platform/LibraryLoader.h"

#include <dlfcn.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "os/SystemErrorText.h"

LibraryHandle openLibrary(const char* baseName) {
    const std::string fileName = std::string("lib") + baseName + ".so";
    LibraryHandle library = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        // A library that is there but will not load (wrong architecture, a dependency missing,
        // no ELF file) is named with the loader's reason; a missing one stays silent.
        const char* error = dlerror();
        const std::string missing =
            fileName + ": cannot open shared object file: " + os::systemErrorText(ENOENT);
        if (error != nullptr && missing != error) {
            // Named as the program was started: flashtest, lptflash.
            std::fprintf(stderr, "%s: cannot load %s: %s\n", program_invocation_short_name,
                         fileName.c_str(), error);
        }
    }
    return library;
}

LibraryEntry findLibraryEntry(LibraryHandle library, const char* name) {
    return reinterpret_cast<LibraryEntry>(dlsym(library, name));
}

void closeLibrary(LibraryHandle library) {
    if (library != nullptr) {  // dlclose(NULL) is undefined
        dlclose(library);
    }
}
