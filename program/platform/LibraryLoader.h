// SPDX-License-Identifier: MIT
// Loading a shared library by its base name and finding its entry points.
#ifndef LPTFLASH_PLATFORM_LIBRARYLOADER_H
#define LPTFLASH_PLATFORM_LIBRARYLOADER_H

using LibraryHandle = void*;
using LibraryEntry = void (*)();  // generic entry; cast to the entry's real type before calling

// baseName without prefix or extension ("io"); found through the OS loader's normal search.
// Null when the library cannot be loaded.
LibraryHandle openLibrary(const char* baseName);

// Null when the library does not export the name.
LibraryEntry findLibraryEntry(LibraryHandle library, const char* name);

// Releases one reference; does nothing for a null handle.
void closeLibrary(LibraryHandle library);

#endif
