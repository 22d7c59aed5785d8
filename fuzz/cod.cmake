pellix_fuzzer(fuzz_cod SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzCod.cpp DEPENDS pellix_cod)
