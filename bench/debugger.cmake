pellix_benchmark(bench_debugger SOURCES ${CMAKE_CURRENT_LIST_DIR}/DebuggerBench.cpp
    DEPENDS pellix_debugger benchmark::benchmark)
