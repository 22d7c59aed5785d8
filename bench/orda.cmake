pellix_benchmark(bench_orda SOURCES ${CMAKE_CURRENT_LIST_DIR}/OrdaBench.cpp
    DEPENDS orda_core benchmark::benchmark)
