# TARNVALE_SANITIZE=address builds everything with AddressSanitizer and UndefinedBehaviorSanitizer;
# TARNVALE_SANITIZE=thread with ThreadSanitizer.
if(TARNVALE_SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
elseif(TARNVALE_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
elseif(TARNVALE_SANITIZE)
    message(FATAL_ERROR "TARNVALE_SANITIZE must be address, thread or empty")
endif()
