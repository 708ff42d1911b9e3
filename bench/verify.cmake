# The Archiver's check against bzip2 -t and cat; the corpus is made by make-archive-corpus.sh.
add_executable(bench_verify ${CMAKE_CURRENT_LIST_DIR}/bench_verify.cpp ${CMAKE_CURRENT_LIST_DIR}/figures.h)
target_link_libraries(bench_verify PRIVATE archivelist config platform benchmark::benchmark)
target_compile_definitions(bench_verify PRIVATE DUNLIVO_BENCH_DIR="${CMAKE_CURRENT_LIST_DIR}")
add_dependencies(bench_verify archiv)
