# DecompressFile against the bzip2 program; the corpus is made by make-bzip2-corpus.sh.
add_executable(bench_bzip2 ${CMAKE_CURRENT_LIST_DIR}/bench_bzip2.cpp ${CMAKE_CURRENT_LIST_DIR}/figures.h)
target_link_libraries(bench_bzip2 PRIVATE restore platform benchmark::benchmark)
target_compile_definitions(bench_bzip2 PRIVATE DUNLIVO_BENCH_DIR="${CMAKE_CURRENT_LIST_DIR}")
