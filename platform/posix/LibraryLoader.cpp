#include "platform/LibraryLoader.h"

#include <dlfcn.h>

#include <string>

LibraryHandle openLibrary(const char* baseName) {
    const std::string fileName = std::string("lib") + baseName + ".so";
    return dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
}

LibraryEntry findLibraryEntry(LibraryHandle library, const char* name) {
    return reinterpret_cast<LibraryEntry>(dlsym(library, name));
}

void closeLibrary(LibraryHandle library) {
    if (library != nullptr) {  // dlclose(NULL) is undefined
        dlclose(library);
    }
}
