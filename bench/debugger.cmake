pellix_benchmark(bench_debugger SOURCES ${CMAKE_CURRENT_LIST_DIR}/DebuggerBench.cpp
    DEPENDS pellix_debugger benchmark::benchmark)
# A freely running chip with and without the Pins window's model watching its pins.
pellix_benchmark(bench_pins SOURCES ${CMAKE_CURRENT_LIST_DIR}/PinsBench.cpp
    DEPENDS pellix_debugger benchmark::benchmark)
