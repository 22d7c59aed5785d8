# orda's output files as the environment reads them.
pellix_fuzzer(fuzz_orda_map SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzOrdaMap.cpp
    DEPENDS pellix_orda_bridge)
pellix_fuzzer(fuzz_orda_object SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzOrdaObject.cpp
    DEPENDS pellix_orda_bridge)
pellix_fuzzer(fuzz_orda_symbols SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzOrdaSymbols.cpp
    DEPENDS pellix_orda_bridge)
pellix_fuzzer(fuzz_orda_text SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzOrdaText.cpp
    DEPENDS pellix_orda_bridge)
