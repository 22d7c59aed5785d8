# Simulator speed: instructions a second in free run.
pellix_benchmark(sim_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim/SxCoreBench.cpp
    DEPENDS pellix_sim benchmark::benchmark benchmark::benchmark_main)
# pellix-cli sim with and without a VCD trace: simulated time per wall-clock time.
pellix_benchmark(sim_command_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim/SimCommandBench.cpp
    DEPENDS pellix_cli_chip benchmark::benchmark benchmark::benchmark_main)
target_compile_definitions(sim_command_bench PRIVATE PELLIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
