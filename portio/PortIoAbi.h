// Calling convention and symbol export of the port I/O library's entry points.
// The only place where the entry points' binary interface depends on the OS.
#ifndef LPTFLASH_PORTIO_PORTIOABI_H
#define LPTFLASH_PORTIO_PORTIOABI_H

#if defined(_WIN32) && !defined(_WIN64)
#define PORTIO_CALL __stdcall
#else
#define PORTIO_CALL
#endif

// A stand-in library defines PORTIO_BUILDING_LIBRARY before including the entry points.
#if defined(PORTIO_BUILDING_LIBRARY) && defined(_WIN32)
#define PORTIO_EXPORT __declspec(dllexport)
#elif defined(PORTIO_BUILDING_LIBRARY)
#define PORTIO_EXPORT __attribute__((visibility("default")))
#else
#define PORTIO_EXPORT
#endif

#endif
