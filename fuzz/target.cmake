pellix_fuzzer(fuzz_read_hex SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzReadHex.cpp DEPENDS pellix_target)
