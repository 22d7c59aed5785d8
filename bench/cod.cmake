pellix_benchmark(bench_cod SOURCES ${CMAKE_CURRENT_LIST_DIR}/CodBench.cpp
    DEPENDS pellix_cod benchmark::benchmark benchmark::benchmark_main)
target_include_directories(bench_cod PRIVATE ${CMAKE_SOURCE_DIR}/tests)
