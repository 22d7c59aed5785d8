pellix_benchmark(bench_assemble SOURCES ${CMAKE_CURRENT_LIST_DIR}/AssembleBench.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BenchAllocations.cpp DEPENDS pellix_asm benchmark::benchmark)
