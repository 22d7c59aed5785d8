# What `cmake --install` puts where: the programs, orda also under the name the windowed
# program starts it by, the keyword list, the desktop entry, icon, MIME types and man pages.
include(GNUInstallDirs)

foreach(program pellix pellix-cli orda pellix-keysim)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()

# pellix looks for orda beside itself as "ORDA.dll".
if(TARGET orda AND TARGET pellix)
    install(CODE "
        set(bindir \"${CMAKE_INSTALL_BINDIR}\")
        if(NOT IS_ABSOLUTE \"\${bindir}\")
            set(bindir \"\${CMAKE_INSTALL_PREFIX}/\${bindir}\")
        endif()
        set(bindir \"\$ENV{DESTDIR}\${bindir}\")
        file(REMOVE \"\${bindir}/ORDA.dll\")
        file(CREATE_LINK orda \"\${bindir}/ORDA.dll\" SYMBOLIC)
        message(STATUS \"Installing: \${bindir}/ORDA.dll -> orda\")")
endif()

if(TARGET pellix-keywords)
    set(keyword_list "${CMAKE_BINARY_DIR}/SX Assembly Keyword List.txt")
    add_custom_command(OUTPUT ${keyword_list}
        COMMAND pellix-keywords ${keyword_list}
        DEPENDS pellix-keywords
        COMMENT "Writing the keyword list")
    add_custom_target(keyword_list ALL DEPENDS ${keyword_list})
    install(FILES ${keyword_list} DESTINATION ${CMAKE_INSTALL_DATADIR}/pellix)
endif()

install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

if(TARGET pellix)
    install(FILES ${CMAKE_SOURCE_DIR}/data/pellix.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${CMAKE_SOURCE_DIR}/data/pellix.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${CMAKE_SOURCE_DIR}/data/pellix-mime.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME pellix.xml)
endif()

foreach(page pellix pellix-cli orda pellix-keysim)
    if(TARGET ${page})
        install(FILES ${CMAKE_SOURCE_DIR}/docs/man/${page}.1
                DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
endforeach()
