# SPDX-License-Identifier: MIT
# The release archive for Windows users (cpack --preset windows-x64 or windows-x86): the program,
# the operator's README and the license at the top; the simulator's io.dll and our io.dll for real parallel
# ports each in a folder of its own, so that the operator chooses one by copying it and nobody
# takes the simulator for the adapter's library. The archive is named after the build, since an
# operator must take the one that matches the bitness of the adapter's io.dll.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(windows_build x64)
else()
    set(windows_build x86)
endif()

# Windows' own editors of the machines that still have LPT ports want CR LF line ends.
configure_file(${PROJECT_SOURCE_DIR}/docs/README-Windows.txt ${PROJECT_BINARY_DIR}/README.txt
    @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_BINARY_DIR}/LICENSE.txt
    @ONLY NEWLINE_STYLE CRLF)
install(FILES ${PROJECT_BINARY_DIR}/README.txt ${PROJECT_BINARY_DIR}/LICENSE.txt DESTINATION .)
# As targets, so that the archive gets them stripped (a third of the size, no build paths).
if(TARGET lptflash_sim_io)
    install(TARGETS lptflash_sim_io RUNTIME DESTINATION simulator)
endif()
if(TARGET lptio)
    install(TARGETS lptio RUNTIME DESTINATION hardware)
endif()

set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME lptflash-${PROJECT_VERSION}-windows-${windows_build})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
