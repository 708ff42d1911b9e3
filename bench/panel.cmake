# The panel's start time against a plain Qt window, and its memory with a large archive list.
# The timed program is not a benchmark of its own: its name keeps it out of bench/run's list.
add_executable(panel-child panel_child.cpp)
target_link_libraries(panel-child PRIVATE shellwindows)
add_executable(bench_panel bench_panel.cpp figures.h)
target_link_libraries(bench_panel PRIVATE archivelist platform Qt6::Core benchmark::benchmark)
add_dependencies(bench_panel panel-child)
