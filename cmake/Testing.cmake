# GoogleTest for both builds, and tarnvale_add_test(), which registers a test executable with ctest:
# natively one ctest test per test case; under Wine one ctest test per executable, since starting Wine costs
# seconds; tarnvale_add_dpi_runs() runs a Windows test executable again at other DPIs. A tree built with
# TARNVALE_SANITIZE=thread keeps only the tests marked THREADED. Tests marked DISPLAY show windows and move the cursor
# on the run's one display, so no two of them run at the same time.
if(WIN32)
    # Debian's googletest package ships the sources; build them with the cross compiler.
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
    find_package(GTest REQUIRED)
endif()
include(GoogleTest)

function(tarnvale_add_test name)
    cmake_parse_arguments(T "THREADED;NATIVE_ONLY;DISPLAY" "LOCK" "SOURCES;LIBS" ${ARGN})
    if(TARNVALE_SANITIZE STREQUAL "thread" AND NOT T_THREADED)
        return()
    endif()
    if(WIN32 AND T_NATIVE_ONLY)
        return()
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    tarnvale_warnings(${name})
    if(WIN32)
        add_test(NAME ${TARNVALE_TEST_PREFIX}${name} COMMAND ${name})
        set_tests_properties(${TARNVALE_TEST_PREFIX}${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600)
        if(T_DISPLAY)
            set_tests_properties(${TARNVALE_TEST_PREFIX}${name} PROPERTIES RESOURCE_LOCK wine_display)
        endif()
    else()
        # LOCK names what the test cases share (one Wine session, say), so that no two of them run at once.
        set(lock)
        if(T_LOCK)
            set(lock RESOURCE_LOCK ${T_LOCK})
        endif()
        gtest_discover_tests(${name} TEST_PREFIX "${TARNVALE_TEST_PREFIX}${name}." DISCOVERY_MODE PRE_TEST
                             DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 ${lock})
    endif()
endfunction()

# The Windows test executable name run again at each of the DPIs given (96 is its ordinary run), on the run's display.
function(tarnvale_add_dpi_runs name)
    if(NOT WIN32)
        return()
    endif()
    foreach(dpi ${ARGN})
        add_test(NAME ${TARNVALE_TEST_PREFIX}${name}.dpi${dpi}
                 COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-run-at-dpi.sh ${dpi} ${CMAKE_BINARY_DIR}/wine
                         $<TARGET_FILE:${name}>)
        set_tests_properties(${TARNVALE_TEST_PREFIX}${name}.dpi${dpi}
                             PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600 RESOURCE_LOCK wine_display)
    endforeach()
endfunction()
