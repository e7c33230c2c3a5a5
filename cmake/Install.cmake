# What `cmake --install` puts where, and the packages cpack makes from it: on Linux the programs, the default skin,
# the README, systemd units for tarnvale-server and the catalogue watch, their settings file and the nginx front's
# file, as a tarball to unpack at / (scripts/make-deb.sh makes the Debian package from the same install); for
# Windows one folder with TarnvaleServer.exe, its skin beside it in skins\Tarnvale\, the console programs and the
# README, as a zip.
set(tarnvale_console_programs tarnvale-server tarnvale-client tarnvale tarnvale-probe)

if(WIN32)
    install(TARGETS TarnvaleServer ${tarnvale_console_programs} RUNTIME DESTINATION .)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/skins/Tarnvale DESTINATION skins)
    install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_SYSTEM_NAME windows-x64)
else()
    set(CMAKE_INSTALL_DOCDIR share/doc/tarnvale CACHE PATH "Where below the install prefix the README goes")
    include(GNUInstallDirs)
    set(TARNVALE_SYSTEMD_UNIT_DIR lib/systemd/system CACHE STRING
        "Where below the install prefix the systemd unit goes")
    install(TARGETS ${tarnvale_console_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/skins/Tarnvale DESTINATION ${CMAKE_INSTALL_DATADIR}/tarnvale/skins)
    install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
    # The HLS player the server serves to browsers, as a file of its own with its licence beside it.
    if(TARNVALE_HLS_JS_DIR)
        install(FILES ${TARNVALE_HLS_JS_DIR}/hls.min.js DESTINATION ${CMAKE_INSTALL_DATADIR}/tarnvale/hls.js)
        install(FILES ${TARNVALE_HLS_JS_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/tarnvale/hls.js)
    endif()
    # The units name the installed programs and the settings file by their full paths, so they are written when the
    # prefix is known: at install time, where `cmake --install --prefix` may have changed it. Installed into /usr, as
    # the Debian package is, the settings go to /etc and the units to /lib/systemd/system, where the system looks;
    # anywhere else they stay below the prefix. tarnvale-watch keeps the list file that tarnvale-server serves in
    # step with a folder.
    install(CODE "
        if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
            set(TARNVALE_SYSTEM_DIR \"\")
        else()
            set(TARNVALE_SYSTEM_DIR \"\${CMAKE_INSTALL_PREFIX}\")
        endif()
        set(TARNVALE_SETTINGS_FILE \"\${TARNVALE_SYSTEM_DIR}/etc/default/tarnvale\")
        set(TARNVALE_UNIT_DIR \"\${TARNVALE_SYSTEM_DIR}/${TARNVALE_SYSTEMD_UNIT_DIR}\")
        set(TARNVALE_BIN_DIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
        set(TARNVALE_DOC_DIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DOCDIR}\")
    ")
    # Settings already there are the operator's: installing again keeps them.
    foreach(template tarnvale-server.service tarnvale-watch.service tarnvale.default)
        if(template STREQUAL tarnvale.default)
            set(destination \${TARNVALE_SETTINGS_FILE})
            set(existing keep)
        else()
            set(destination \${TARNVALE_UNIT_DIR}/${template})
            set(existing replace)
        endif()
        install(CODE "
            set(installed \"\$ENV{DESTDIR}${destination}\")
            if(\"${existing}\" STREQUAL \"keep\" AND EXISTS \"\${installed}\")
                message(STATUS \"Keeping: \${installed}\")
            else()
                message(STATUS \"Installing: \${installed}\")
                configure_file(\"${PROJECT_SOURCE_DIR}/packaging/${template}.in\" \"\${installed}\" @ONLY)
            endif()
            list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${installed}\")
        ")
    endforeach()
    # The caching front for several HTTP back ends, for the operator to copy into nginx's configuration.
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/nginx/tarnvale-front.conf
            DESTINATION ${CMAKE_INSTALL_DATADIR}/tarnvale/nginx)
    # The tarball holds the full paths (usr/local/bin/...), so that the unit it carries names the right server.
    set(CPACK_GENERATOR TGZ)
    set(CPACK_SET_DESTDIR ON)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
    set(CPACK_SYSTEM_NAME linux-${CMAKE_SYSTEM_PROCESSOR})
endif()

set(CPACK_PACKAGE_NAME tarnvale)
set(CPACK_PACKAGE_VENDOR Tarnvale)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "A small video-on-demand server for a local network")
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
include(CPack)
