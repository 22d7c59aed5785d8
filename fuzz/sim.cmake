pellix_fuzzer(fuzz_sx_core SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzSxCore.cpp DEPENDS pellix_sim)
pellix_fuzzer(fuzz_stimulus SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzStimulus.cpp DEPENDS pellix_sim)
