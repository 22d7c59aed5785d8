# The settings file as pellix (Qt's INI reader) and pellix-cli (its own) read it. Qt Core is
# enough; the fuzz build has no windows.
find_package(Qt6 QUIET COMPONENTS Core)
if(Qt6Core_FOUND)
    pellix_fuzzer(fuzz_settings_file SOURCES ${CMAKE_CURRENT_LIST_DIR}/FuzzSettingsFile.cpp
        ${CMAKE_SOURCE_DIR}/src/platform/qt/QtSettingsStore.cpp
        DEPENDS pellix_shell pellix_cli_chip pellix_debugger Qt6::Core)
else()
    message(STATUS "Qt 6 Core not found: fuzz_settings_file is not built")
endif()
