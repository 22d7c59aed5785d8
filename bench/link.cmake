pellix_benchmark(bench_link SOURCES ${CMAKE_CURRENT_LIST_DIR}/LinkBench.cpp
    DEPENDS pellix_link benchmark::benchmark)
# Programming and verifying against pellix-keysim --line-speed: wall time against the line's
# time, processor time against wall time.
pellix_benchmark(bench_keyline SOURCES ${CMAKE_CURRENT_LIST_DIR}/KeyLineBench.cpp)
target_include_directories(bench_keyline PRIVATE ${CMAKE_SOURCE_DIR}/tests)
add_dependencies(bench_keyline pellix-cli pellix-keysim)
