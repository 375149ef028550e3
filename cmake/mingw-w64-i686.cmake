# SPDX-License-Identifier: MIT
# Cross build for 32-bit Windows with Debian's mingw-w64 (g++-mingw-w64-i686), for the 32-bit
# port I/O libraries that operators have.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(mingw_triplet i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
