# The external assembler bridge: no windows and no Qt, so the fuzz build has its readers.
pellix_library(pellix_orda_bridge SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/OrdaUnit.cpp
    DEPENDS pellix_shell pellix_target pellix_platform)
