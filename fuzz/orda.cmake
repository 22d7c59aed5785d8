# Both passes of orda on arbitrary source text; what it writes must be what the
# environment's reader takes.
pellix_fuzzer(fuzz_orda SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzOrda.cpp DEPENDS orda_core)
target_include_directories(fuzz_orda PRIVATE ${CMAKE_SOURCE_DIR}/tests)
# orda's command line before a source that assembles.
pellix_fuzzer(fuzz_orda_command_line SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzOrdaCommandLine.cpp
    DEPENDS orda_core)
