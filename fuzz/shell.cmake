pellix_fuzzer(fuzz_shell_text SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzShellText.cpp
    DEPENDS pellix_shell pellix_editor_core)
pellix_fuzzer(fuzz_original_editor SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzOriginalEditor.cpp
    DEPENDS pellix_shell)
pellix_fuzzer(fuzz_pellix_command_line SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzPellixCommandLine.cpp
    DEPENDS pellix_shell)
