# The compiler-output loader: no windows and no Qt, so the fuzz build has it too.
pellix_library(pellix_cod SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/TCode.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SXCUnit.cpp
    DEPENDS pellix_target pellix_platform)
