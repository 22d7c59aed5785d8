pellix_fuzzer(fuzz_assemble SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzAssemble.cpp DEPENDS pellix_asm)
