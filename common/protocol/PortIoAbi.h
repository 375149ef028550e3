// SPDX-License-Identifier: MIT
// Calling convention and symbol export of the port I/O library's entry points. The build gives
// both (common/protocol/CMakeLists.txt, cmake/PortIoLibrary.cmake), so that nothing here
// depends on the OS.
#ifndef LPTFLASH_PROTOCOL_PORTIOABI_H
#define LPTFLASH_PROTOCOL_PORTIOABI_H

#ifndef PORTIO_CALL
#error "PORTIO_CALL comes from the build: link the target lptflash_protocol"
#endif

// Set only where a stand-in library defines the entry points; callers import nothing.
#ifndef PORTIO_EXPORT
#define PORTIO_EXPORT
#endif

#endif
