# Simulator speed: instructions a second in free run.
pellix_benchmark(sim_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim/SxCoreBench.cpp
    DEPENDS pellix_sim benchmark::benchmark benchmark::benchmark_main)
