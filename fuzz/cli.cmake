pellix_fuzzer(fuzz_cli_settings SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzCliSettings.cpp
    DEPENDS pellix_cli_chip)
pellix_fuzzer(fuzz_device_image SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzDeviceImage.cpp
    DEPENDS pellix_link)
