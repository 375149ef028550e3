#include "platform/LibraryLoader.h"

#include <windows.h>

LibraryHandle openLibrary(const char* baseName) {
    return reinterpret_cast<LibraryHandle>(LoadLibraryA(baseName));
}

LibraryEntry findLibraryEntry(LibraryHandle library, const char* name) {
    return reinterpret_cast<LibraryEntry>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void closeLibrary(LibraryHandle library) {
    if (library != nullptr) {
        FreeLibrary(static_cast<HMODULE>(library));
    }
}
