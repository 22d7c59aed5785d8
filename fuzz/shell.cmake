pellix_fuzzer(fuzz_shell_text SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzShellText.cpp
    DEPENDS pellix_shell pellix_editor_core)
