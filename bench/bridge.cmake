pellix_benchmark(bench_bridge SOURCES ${CMAKE_CURRENT_LIST_DIR}/BridgeBench.cpp
    DEPENDS pellix_orda_bridge benchmark::benchmark)
