# pellix_library(name SOURCES ... [DEPENDS ...]): a static library of one area.
function(pellix_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
endfunction()

# pellix_test(name SOURCES ... [DEPENDS ...] [GUI]): one test program, one ctest entry.
# GUI tests run on the offscreen platform.
function(pellix_test name)
    cmake_parse_arguments(ARG "GUI" "" "SOURCES;DEPENDS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
    if(ARG_GUI)
        target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} Qt6::Test)
    else()
        target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gtest_main)
    endif()
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
    set(env "PELLIX_SOURCE_DIR=${CMAKE_SOURCE_DIR}" "PELLIX_BIN_DIR=${CMAKE_BINARY_DIR}/bin"
            "LC_ALL=C" "TZ=UTC")
    if(ARG_GUI)
        list(APPEND env "QT_QPA_PLATFORM=offscreen")
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
endfunction()

# pellix_fuzzer(name SOURCES ... DEPENDS ...): a libFuzzer target in BUILD/fuzz/.
function(pellix_fuzzer name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} PRIVATE ${ARG_DEPENDS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()

# pellix_benchmark(name SOURCES ... DEPENDS ...): a benchmark program in BUILD/bench/.
function(pellix_benchmark name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} PRIVATE ${ARG_DEPENDS})
endfunction()
