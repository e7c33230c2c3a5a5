# TARNVALE_SANITIZE=address builds everything with AddressSanitizer and UndefinedBehaviorSanitizer;
# TARNVALE_SANITIZE=thread with ThreadSanitizer.
if(TARNVALE_SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    # GCC's maybe-uninitialized analysis misfires on the sanitizers' instrumentation (inside std::regex, for one);
    # the plain tree keeps the warning, so nothing uninitialised goes unseen.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        add_compile_options(-Wno-maybe-uninitialized)
    endif()
    add_link_options(-fsanitize=address,undefined)
elseif(TARNVALE_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
elseif(TARNVALE_SANITIZE)
    message(FATAL_ERROR "TARNVALE_SANITIZE must be address, thread or empty")
endif()
