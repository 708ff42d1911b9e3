# The restore's name search of an archive against find(1); the tree is made by the benchmark.
add_executable(bench_search ${CMAKE_CURRENT_LIST_DIR}/bench_search.cpp ${CMAKE_CURRENT_LIST_DIR}/figures.h)
target_link_libraries(bench_search PRIVATE restore platform benchmark::benchmark)
