# Warnings for the project's own targets (not for third-party code built alongside). CI builds make them errors,
# so that a warning cannot land; a build by hand keeps them warnings.
option(TARNVALE_WERROR "Treat warnings in the project's own code as errors" OFF)

function(tarnvale_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wcast-align
                                             -Wformat=2 -Wimplicit-fallthrough)
    if(TARNVALE_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
