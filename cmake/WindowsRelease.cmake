# The release archive for Windows users (cpack --preset windows): the program and the
# operator's README at the top; the simulator's io.dll and our io.dll for real parallel ports
# each in a folder of its own, so that the operator chooses one by copying it.
install(FILES ${PROJECT_SOURCE_DIR}/docs/README-Windows.txt DESTINATION . RENAME README.txt)
if(TARGET lptflash_sim_io)
    install(FILES $<TARGET_FILE:lptflash_sim_io> DESTINATION simulator)
endif()
if(TARGET lptio)
    install(FILES $<TARGET_FILE:lptio> DESTINATION hardware)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME lptflash-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
