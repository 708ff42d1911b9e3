# The Archiver against bzip2, xargs, lbzip2 and rsync; the corpora are made by make-archive-corpus.sh.
add_executable(bench_archiv ${CMAKE_CURRENT_LIST_DIR}/bench_archiv.cpp ${CMAKE_CURRENT_LIST_DIR}/figures.h)
target_link_libraries(bench_archiv PRIVATE archivelist config platform benchmark::benchmark)
target_compile_definitions(bench_archiv PRIVATE DUNLIVO_BENCH_DIR="${CMAKE_CURRENT_LIST_DIR}")
add_dependencies(bench_archiv archiv)
