# cmake -DBUILD_DIR=... -DSTAGE=... -DGUI=ON|OFF -P InstallSmoke.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${STAGE})
set(ENV{DESTDIR} ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed:\n${out}")
endif()

set(root ${STAGE}/usr)
set(expected
    bin/pellix-cli bin/orda bin/pellix-keysim
    "share/pellix/SX Assembly Keyword List.txt"
    share/man/man1/pellix-cli.1 share/man/man1/orda.1 share/man/man1/pellix-keysim.1
    share/doc/pellix/examples/blink.src share/doc/pellix/examples/orda/counter.src)
if(GUI)
    list(APPEND expected bin/pellix bin/ORDA.dll share/applications/pellix.desktop
         share/icons/hicolor/scalable/apps/pellix.svg share/mime/packages/pellix.xml
         share/man/man1/pellix.1)
endif()
foreach(f IN LISTS expected)
    if(NOT EXISTS "${root}/${f}")
        message(FATAL_ERROR "not installed: ${f}")
    endif()
endforeach()

if(GUI)
    # The name pellix starts orda by must lead to orda itself, relative, so that the tree can
    # move.
    file(READ_SYMLINK ${root}/bin/ORDA.dll target)
    if(NOT target STREQUAL "orda")
        message(FATAL_ERROR "ORDA.dll points at '${target}'")
    endif()
endif()
file(STRINGS "${root}/share/pellix/SX Assembly Keyword List.txt" words)
foreach(w MOV DEVICE WATCH SX52)
    if(NOT w IN_LIST words)
        message(FATAL_ERROR "keyword list lacks ${w}")
    endif()
endforeach()
execute_process(COMMAND ${root}/bin/orda /? RESULT_VARIABLE r OUTPUT_VARIABLE o INPUT_FILE /dev/null)
if(NOT o MATCHES "ORDA Cross-Assembler")
    message(FATAL_ERROR "the installed orda does not run: ${o}")
endif()
file(REMOVE_RECURSE ${STAGE})
