# The bzip2 encoder against libbz2 -9, in process on one thread; the corpus is make-archive-corpus.sh's.
add_executable(bench_encoder ${CMAKE_CURRENT_LIST_DIR}/bench_encoder.cpp ${CMAKE_CURRENT_LIST_DIR}/figures.h)
target_link_libraries(bench_encoder PRIVATE bzip2encoder platform BZip2::BZip2 benchmark::benchmark)
target_compile_definitions(bench_encoder PRIVATE DUNLIVO_BENCH_DIR="${CMAKE_CURRENT_LIST_DIR}")
