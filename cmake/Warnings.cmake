# Warnings for the project's own targets (not for third-party code built alongside).
function(tarnvale_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wcast-align
                                             -Wformat=2 -Wimplicit-fallthrough)
endfunction()
