pellix_benchmark(bench_link SOURCES ${CMAKE_CURRENT_LIST_DIR}/LinkBench.cpp
    DEPENDS pellix_link benchmark::benchmark)
