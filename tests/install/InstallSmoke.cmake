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
    share/doc/pellix/examples/blink.src share/doc/pellix/examples/orda/counter.src
    share/bash-completion/completions/pellix-cli)
if(GUI)
    list(APPEND expected bin/pellix libexec/pellix/ORDA.dll share/applications/pellix.desktop
         share/icons/hicolor/scalable/apps/pellix.svg share/mime/packages/pellix.xml
         share/man/man1/pellix.1)
endif()
foreach(f IN LISTS expected)
    if(NOT EXISTS "${root}/${f}")
        message(FATAL_ERROR "not installed: ${f}")
    endif()
endforeach()

if(GUI)
    # orda under the name pellix starts it by, off the users' PATH; and it runs.
    if(EXISTS "${root}/bin/ORDA.dll")
        message(FATAL_ERROR "ORDA.dll is installed on the PATH")
    endif()
    execute_process(COMMAND ${root}/libexec/pellix/ORDA.dll --version RESULT_VARIABLE r
                    OUTPUT_VARIABLE o)
    if(NOT r EQUAL 0 OR NOT o MATCHES "^orda ")
        message(FATAL_ERROR "the installed ORDA.dll does not run: ${o}")
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
foreach(program pellix-cli orda pellix-keysim)
    execute_process(COMMAND ${root}/bin/${program} --version RESULT_VARIABLE r OUTPUT_VARIABLE o)
    if(NOT r EQUAL 0 OR NOT o MATCHES "^${program} ")
        message(FATAL_ERROR "${program} --version: ${o}")
    endif()
endforeach()
file(REMOVE_RECURSE ${STAGE})
