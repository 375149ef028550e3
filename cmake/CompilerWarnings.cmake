# Every target of ours builds warning-free; a warning is a build failure.
function(lptflash_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
endfunction()
