pellix_fuzzer(fuzz_debug_console SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzDebugConsole.cpp
    DEPENDS pellix_link)
