# Installation: a self-contained program folder, lib/tiku, holding the program, tiku-bank, the
# demo bank dxt.xls beside the program (the program reads the bank from its own folder) and a
# note on replacing the bank; links to both programs in bin; a desktop entry, an icon, the
# AppStream metadata and the manual pages.
#
#   cmake --install <build> --prefix <dir>
#
# The program finds its folder through the real path of its executable, so bin/tiku can be a
# symbolic link into lib/tiku.
#
# Components: `program` is everything both kinds of installation share; `bank` is the demo bank
# as a file of the program folder (a plain installation); `debian`, left out of a plain
# installation and packed by cpack instead of `bank`, is the Debian layout of the bank (the
# configuration file /etc/tiku/dxt.xls, with lib/tiku/dxt.xls a link to it) and the package's
# copyright and changelog (see cmake/package.cmake).

set(TIKU_PROGRAM_DIR lib/tiku)
set(TIKU_CONFIG_BANK /etc/tiku/dxt.xls)
# The application id stays as it is until the project has a domain of its own; there is no
# homepage until then either.
set(TIKU_APPSTREAM_ID org.example.tiku)
set(TIKU_MAINTAINER_NAME "Tiku developers")
set(TIKU_MAINTAINER "${TIKU_MAINTAINER_NAME} <tiku@example.org>")
# An SPDX identifier: the licence of LICENSE.
set(TIKU_LICENSE GPL-3.0-or-later)
set(tiku_generated ${CMAKE_BINARY_DIR}/packaging)

install(TARGETS tiku-bank RUNTIME DESTINATION ${TIKU_PROGRAM_DIR} COMPONENT program)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/README-bank.txt DESTINATION ${TIKU_PROGRAM_DIR}
        COMPONENT program)

# Manual pages, with the version filled in and compressed as Debian has them.
set(tiku_man_pages tiku-bank)
if(TARGET tiku)
    list(APPEND tiku_man_pages tiku)
endif()
set(tiku_man_files)
foreach(page ${tiku_man_pages})
    set(page_file ${tiku_generated}/man/${page}.1)
    configure_file(${CMAKE_SOURCE_DIR}/packaging/man/${page}.1.in ${page_file} @ONLY)
    add_custom_command(OUTPUT ${page_file}.gz
        COMMAND gzip -9nkf ${page_file}
        DEPENDS ${page_file}
        COMMENT "Compressing the manual page ${page}.1"
        VERBATIM)
    list(APPEND tiku_man_files ${page_file}.gz)
endforeach()
add_custom_target(man_pages ALL DEPENDS ${tiku_man_files})
install(FILES ${tiku_man_files} DESTINATION share/man/man1 COMPONENT program)

set(tiku_links tiku-bank)
if(TARGET tiku)
    install(TARGETS tiku RUNTIME DESTINATION ${TIKU_PROGRAM_DIR} COMPONENT program)
    install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/dxt.xls DESTINATION ${TIKU_PROGRAM_DIR}
            COMPONENT bank)
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/tiku.svg
            DESTINATION share/icons/hicolor/scalable/apps COMPONENT program)
    configure_file(${CMAKE_SOURCE_DIR}/packaging/${TIKU_APPSTREAM_ID}.metainfo.xml.in
                   ${tiku_generated}/${TIKU_APPSTREAM_ID}.metainfo.xml @ONLY)
    install(FILES ${tiku_generated}/${TIKU_APPSTREAM_ID}.metainfo.xml
            DESTINATION share/metainfo COMPONENT program)
    list(APPEND tiku_links tiku)
endif()

install(CODE "
    set(prefix \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    file(MAKE_DIRECTORY \"\${prefix}/bin\")
    foreach(linked ${tiku_links})
        set(link \"\${prefix}/bin/\${linked}\")
        set(target \"../${TIKU_PROGRAM_DIR}/\${linked}\")
        file(REMOVE \"\${link}\")
        file(CREATE_LINK \"\${target}\" \"\${link}\" SYMBOLIC)
        message(STATUS \"Installing: \${link} -> \${target}\")
    endforeach()
" COMPONENT program)

if(TARGET tiku)
    # The desktop entry starts the program by its full installed path.
    install(CODE "
        set(prefix \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
        file(READ \"${CMAKE_SOURCE_DIR}/packaging/tiku.desktop\" entry)
        string(REPLACE \"Exec=tiku\" \"Exec=\${CMAKE_INSTALL_PREFIX}/bin/tiku\" entry \"\${entry}\")
        file(MAKE_DIRECTORY \"\${prefix}/share/applications\")
        file(WRITE \"\${prefix}/share/applications/tiku.desktop\" \"\${entry}\")
        message(STATUS \"Installing: \${prefix}/share/applications/tiku.desktop\")
    " COMPONENT program)

    # The Debian layout: the demo bank as a configuration file, so that a bank the user puts
    # in its place survives upgrades; the program folder's dxt.xls is a link to it.
    get_filename_component(tiku_config_dir ${TIKU_CONFIG_BANK} DIRECTORY)
    install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/dxt.xls DESTINATION ${tiku_config_dir}
            COMPONENT debian EXCLUDE_FROM_ALL)
    install(CODE "
        set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${TIKU_PROGRAM_DIR}/dxt.xls\")
        file(REMOVE \"\${link}\")
        file(CREATE_LINK \"${TIKU_CONFIG_BANK}\" \"\${link}\" SYMBOLIC)
        message(STATUS \"Installing: \${link} -> ${TIKU_CONFIG_BANK}\")
    " COMPONENT debian EXCLUDE_FROM_ALL)
endif()

configure_file(${CMAKE_SOURCE_DIR}/packaging/debian/changelog.in ${tiku_generated}/changelog @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/debian/copyright.in ${tiku_generated}/copyright @ONLY)
add_custom_command(OUTPUT ${tiku_generated}/changelog.gz
    COMMAND gzip -9nkf ${tiku_generated}/changelog
    DEPENDS ${tiku_generated}/changelog
    VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS ${tiku_generated}/changelog.gz)
install(FILES ${tiku_generated}/copyright ${tiku_generated}/changelog.gz
        DESTINATION share/doc/tiku COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/debian/lintian-overrides
        DESTINATION share/lintian/overrides RENAME tiku COMPONENT debian EXCLUDE_FROM_ALL)
