if(PELLIX_GUI)
    pellix_benchmark(bench_source_marks SOURCES ${CMAKE_CURRENT_LIST_DIR}/SourceMarksBench.cpp
        DEPENDS pellix_editor pellix_asm benchmark::benchmark)
endif()
