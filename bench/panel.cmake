# The panel's start time against a plain Qt window, and its memory with a large archive list.
add_executable(bench_panel_child panel_child.cpp)
target_link_libraries(bench_panel_child PRIVATE shellwindows)
add_executable(bench_panel bench_panel.cpp figures.h)
target_link_libraries(bench_panel PRIVATE archivelist platform Qt6::Core benchmark::benchmark)
add_dependencies(bench_panel bench_panel_child)
