# The restore window against bzip2, xargs and cp; the tree is made by make-restore-corpus.sh.
add_executable(bench_restore ${CMAKE_CURRENT_LIST_DIR}/bench_restore.cpp ${CMAKE_CURRENT_LIST_DIR}/figures.h)
target_link_libraries(bench_restore PRIVATE shellwindows benchmark::benchmark)
target_compile_definitions(bench_restore PRIVATE DUNLIVO_BENCH_DIR="${CMAKE_CURRENT_LIST_DIR}")
add_dependencies(bench_restore archiv)
