# SPDX-License-Identifier: MIT
# Makes a shared library target a port I/O library that flashtest can load: named io (io.dll,
# libio.so), built on the entry points' one header, and on Windows exporting the entry points
# under their plain names in both builds. Only such a library marks them exported; 32-bit stdcall
# decorates them (PortOut@8), which GetProcAddress("PortOut") and the operators' own libraries
# do not have, so the linker strips the decoration. Nothing else is exported.
function(lptflash_port_io_library target)
    target_link_libraries(${target} PRIVATE lptflash_protocol)
    if(WIN32)
        target_compile_definitions(${target} PRIVATE "PORTIO_EXPORT=__declspec(dllexport)")
    else()
        target_compile_definitions(${target} PRIVATE
                                   "PORTIO_EXPORT=__attribute__((visibility(\"default\")))")
    endif()
    set_target_properties(${target} PROPERTIES OUTPUT_NAME io)
    if(WIN32)
        set_target_properties(${target} PROPERTIES PREFIX "")
        if(MINGW)
            target_link_options(${target} PRIVATE -Wl,--kill-at)
        elseif(CMAKE_SIZEOF_VOID_P EQUAL 4)
            message(FATAL_ERROR "32-bit port I/O libraries are built with mingw-w64 only: MSVC "
                                "would export decorated stdcall names")
        endif()
    endif()
endfunction()

# A program that loads the port I/O library: on Linux it finds a libio.so beside itself, or in
# its private ../lib/lptflash when installed, without any setup; LD_LIBRARY_PATH still overrides
# it. No build path is ever baked in. Installed in bin/, or at the top of the Windows archive,
# where users put their io.dll beside the program.
function(lptflash_port_io_program target)
    if(WIN32)
        install(TARGETS ${target} RUNTIME DESTINATION .)
    else()
        set_target_properties(${target} PROPERTIES
            BUILD_WITH_INSTALL_RPATH ON
            INSTALL_RPATH "\$ORIGIN;\$ORIGIN/../lib/lptflash")
        target_link_options(${target} PRIVATE -Wl,--enable-new-dtags)
        install(TARGETS ${target} RUNTIME DESTINATION bin)
    endif()
endfunction()
