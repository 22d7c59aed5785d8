pellix_benchmark(bench_program SOURCES ${CMAKE_CURRENT_LIST_DIR}/ProgramVerifyBench.cpp
    DEPENDS pellix_link benchmark::benchmark)
