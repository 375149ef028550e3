# The release archive for Windows users (cpack --preset windows): the program and the
# operator's README at the top, and the simulator's io.dll in a folder of its own, so that
# nobody takes it for the adapter's library.
install(FILES ${PROJECT_SOURCE_DIR}/docs/README-Windows.txt DESTINATION . RENAME README.txt)
if(TARGET lptflash_sim_io)
    install(FILES $<TARGET_FILE:lptflash_sim_io> DESTINATION simulator)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME lptflash-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
