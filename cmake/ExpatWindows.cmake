# The XML library for the Windows tree: Debian's source package, fetched once per build tree and cross-compiled
# statically by expat-windows.sh; the same target name (EXPAT::EXPAT) as the system's library has natively.
set(expat_dir ${CMAKE_BINARY_DIR}/third-party/expat)
set(expat_prefix ${expat_dir}/prefix)
set(expat_library ${expat_prefix}/lib/libexpat.a)
add_custom_command(
    OUTPUT ${expat_library} ${expat_prefix}/include/expat.h
    COMMAND ${PROJECT_SOURCE_DIR}/cmake/expat-windows.sh ${expat_dir}/work ${expat_prefix} ${CMAKE_C_COMPILER}
    DEPENDS ${PROJECT_SOURCE_DIR}/cmake/expat-windows.sh ${PROJECT_SOURCE_DIR}/cmake/debian-source.sh
    COMMENT "Building expat for Windows (fetched once, then kept in ${expat_dir})"
    USES_TERMINAL)
add_custom_target(tarnvale_expat_build ALL DEPENDS ${expat_library})
file(MAKE_DIRECTORY ${expat_prefix}/include)
add_library(EXPAT::EXPAT STATIC IMPORTED GLOBAL)
set_target_properties(EXPAT::EXPAT PROPERTIES
    IMPORTED_LOCATION ${expat_library}
    INTERFACE_INCLUDE_DIRECTORIES ${expat_prefix}/include
    # Built as a static library, the header must not ask for the DLL's imports.
    INTERFACE_COMPILE_DEFINITIONS XML_STATIC)
add_dependencies(EXPAT::EXPAT tarnvale_expat_build)
