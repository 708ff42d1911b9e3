# Adding a directory with its subdirectories through the main window's handler, against the bare
# walk of the same tree; the tree is made by make-adddir-corpus.sh.
add_executable(bench_adddir ${CMAKE_CURRENT_LIST_DIR}/bench_adddir.cpp ${CMAKE_CURRENT_LIST_DIR}/figures.h)
target_link_libraries(bench_adddir PRIVATE shellwindows benchmark::benchmark)
target_compile_definitions(bench_adddir PRIVATE DUNLIVO_BENCH_DIR="${CMAKE_CURRENT_LIST_DIR}")
