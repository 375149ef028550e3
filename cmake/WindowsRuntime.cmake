# SPDX-License-Identifier: MIT
# A Windows user runs flashtest.exe from a folder that holds only itself and io.dll: the C and
# C++ runtimes are linked into each binary instead of being loaded from DLLs that folder lacks.
if(MINGW)
    # -static also takes in the thread library that libstdc++ may pull in.
    add_link_options(-static -static-libgcc -static-libstdc++)
elseif(MSVC)
    set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
endif()
