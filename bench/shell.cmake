pellix_benchmark(bench_original_editor SOURCES ${CMAKE_CURRENT_LIST_DIR}/OriginalEditorBench.cpp
    DEPENDS pellix_shell benchmark::benchmark)
