# The HTTP library for the Windows tree: Debian's source package, fetched once per build tree and cross-compiled
# statically without TLS by microhttpd-windows.sh, so that the zip needs nothing beside the programs. The source
# and the built library are kept in the tree, so a rebuild neither fetches nor compiles it again.
set(microhttpd_dir ${CMAKE_BINARY_DIR}/third-party/microhttpd)
set(microhttpd_prefix ${microhttpd_dir}/prefix)
set(microhttpd_library ${microhttpd_prefix}/lib/libmicrohttpd.a)
add_custom_command(
    OUTPUT ${microhttpd_library} ${microhttpd_prefix}/include/microhttpd.h
    COMMAND ${PROJECT_SOURCE_DIR}/cmake/microhttpd-windows.sh ${microhttpd_dir}/work ${microhttpd_prefix}
            ${CMAKE_C_COMPILER}
    DEPENDS ${PROJECT_SOURCE_DIR}/cmake/microhttpd-windows.sh ${PROJECT_SOURCE_DIR}/cmake/debian-source.sh
    COMMENT "Building libmicrohttpd for Windows (fetched once, then kept in ${microhttpd_dir})"
    USES_TERMINAL)
add_custom_target(tarnvale_microhttpd_build ALL DEPENDS ${microhttpd_library})
# An imported target must name an include folder that exists when the tree is configured.
file(MAKE_DIRECTORY ${microhttpd_prefix}/include)
add_library(tarnvale_microhttpd STATIC IMPORTED GLOBAL)
set_target_properties(tarnvale_microhttpd PROPERTIES
    IMPORTED_LOCATION ${microhttpd_library}
    INTERFACE_INCLUDE_DIRECTORIES ${microhttpd_prefix}/include
    # Built as a static library, the header must not ask for the DLL's imports.
    INTERFACE_COMPILE_DEFINITIONS MHD_W32LIB
    INTERFACE_LINK_LIBRARIES ws2_32)
add_dependencies(tarnvale_microhttpd tarnvale_microhttpd_build)
