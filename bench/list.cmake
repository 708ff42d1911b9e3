# The archive list file and tree: load, save, size per node, adding below a large parent.
add_executable(bench_list bench_list.cpp figures.h)
target_link_libraries(bench_list PRIVATE archivelist platform benchmark::benchmark)
