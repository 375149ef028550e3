#include "platform/LibraryLoader.h"

#include <windows.h>

LibraryHandle openLibrary(const char* baseName) {
    // The loader adds ".dll" and looks beside the program first, where the operator puts io.dll.
    return static_cast<LibraryHandle>(LoadLibraryA(baseName));
}

LibraryEntry findLibraryEntry(LibraryHandle library, const char* name) {
    return reinterpret_cast<LibraryEntry>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void closeLibrary(LibraryHandle library) {
    if (library != nullptr) {  // nothing was loaded: nothing to release, on every OS alike
        FreeLibrary(static_cast<HMODULE>(library));
    }
}
