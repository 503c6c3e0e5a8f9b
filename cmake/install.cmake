# Installation: a self-contained program folder, lib/tiku, holding the program, tiku-bank, the
# demo bank dxt.xls beside the program (the program reads the bank from its own folder) and a
# note on replacing the bank; links to both programs in bin; a desktop entry and an icon.
#
#   cmake --install <build> --prefix <dir>
#
# The program finds its folder through the real path of its executable, so bin/tiku can be a
# symbolic link into lib/tiku.

set(TIKU_PROGRAM_DIR lib/tiku)

install(TARGETS tiku-bank RUNTIME DESTINATION ${TIKU_PROGRAM_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/README-bank.txt DESTINATION ${TIKU_PROGRAM_DIR})

set(tiku_links tiku-bank)
if(TARGET tiku)
    install(TARGETS tiku RUNTIME DESTINATION ${TIKU_PROGRAM_DIR})
    install(FILES ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/dxt.xls DESTINATION ${TIKU_PROGRAM_DIR})
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/tiku.svg
            DESTINATION share/icons/hicolor/scalable/apps)
    list(APPEND tiku_links tiku)
endif()

install(CODE "
    set(prefix \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    file(MAKE_DIRECTORY \"\${prefix}/bin\")
    foreach(program ${tiku_links})
        set(link \"\${prefix}/bin/\${program}\")
        set(target \"../${TIKU_PROGRAM_DIR}/\${program}\")
        file(REMOVE \"\${link}\")
        file(CREATE_LINK \"\${target}\" \"\${link}\" SYMBOLIC)
        message(STATUS \"Installing: \${link} -> \${target}\")
    endforeach()
")

if(TARGET tiku)
    # The desktop entry starts the program by its full installed path.
    install(CODE "
        set(prefix \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
        file(READ \"${CMAKE_SOURCE_DIR}/packaging/tiku.desktop\" entry)
        string(REPLACE \"Exec=tiku\" \"Exec=\${CMAKE_INSTALL_PREFIX}/bin/tiku\" entry \"\${entry}\")
        file(MAKE_DIRECTORY \"\${prefix}/share/applications\")
        file(WRITE \"\${prefix}/share/applications/tiku.desktop\" \"\${entry}\")
        message(STATUS \"Installing: \${prefix}/share/applications/tiku.desktop\")
    ")
endif()
