# SPDX-License-Identifier: MIT
# Every target of ours builds warning-free; a warning is a build failure.
function(lptflash_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 /WX)
        # The portable C library calls (getenv, fopen) are meant; MSVC's _s variants are not.
        target_compile_definitions(${target} PRIVATE _CRT_SECURE_NO_WARNINGS)
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
    endif()
endfunction()
