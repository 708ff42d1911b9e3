# The Archiver's conversion of a side between its forms against xargs and bzip2; the corpus is made
# by make-convert-corpus.sh.
add_executable(bench_convert ${CMAKE_CURRENT_LIST_DIR}/bench_convert.cpp ${CMAKE_CURRENT_LIST_DIR}/figures.h)
target_link_libraries(bench_convert PRIVATE archivelist config platform benchmark::benchmark)
target_compile_definitions(bench_convert PRIVATE DUNLIVO_BENCH_DIR="${CMAKE_CURRENT_LIST_DIR}")
add_dependencies(bench_convert archiv)
