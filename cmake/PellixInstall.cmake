# What `cmake --install` puts where: the programs, orda also under the name the windowed
# program starts it by, the keyword list, the desktop entry, icon, MIME types, man pages and
# the bash completion of pellix-cli.
include(GNUInstallDirs)

foreach(program pellix pellix-cli orda pellix-keysim)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()

# pellix starts orda as "ORDA.dll": a copy in libexec/pellix/, off the users' PATH, where
# pellix looks for it when it is not beside pellix itself (as in the build tree).
if(TARGET orda AND TARGET pellix)
    install(PROGRAMS $<TARGET_FILE:orda> DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/pellix
            RENAME ORDA.dll)
endif()

# Completion of pellix-cli's commands and options in bash.
if(TARGET pellix-cli)
    install(FILES ${CMAKE_SOURCE_DIR}/data/pellix-cli.bash
            DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME pellix-cli)
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
