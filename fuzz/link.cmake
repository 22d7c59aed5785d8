pellix_fuzzer(fuzz_virtual_key SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzVirtualKey.cpp
    DEPENDS pellix_sim)
pellix_fuzzer(fuzz_key_link SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzKeyLink.cpp
    DEPENDS pellix_link)
pellix_fuzzer(fuzz_port_files SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzPortFiles.cpp
    DEPENDS pellix_link)
