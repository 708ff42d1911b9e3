# The directory walker against find(1); the trees are made by make-walk-corpus.sh.
add_executable(bench_walk ${CMAKE_CURRENT_LIST_DIR}/bench_walk.cpp ${CMAKE_CURRENT_LIST_DIR}/figures.h)
target_link_libraries(bench_walk PRIVATE archivelist platform benchmark::benchmark)
target_compile_definitions(bench_walk PRIVATE DUNLIVO_BENCH_DIR="${CMAKE_CURRENT_LIST_DIR}")
