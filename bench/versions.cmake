# Thinning the versions area against xargs rm and find -delete of the same files.
add_executable(bench_versions ${CMAKE_CURRENT_LIST_DIR}/bench_versions.cpp ${CMAKE_CURRENT_LIST_DIR}/figures.h
                              ${PROJECT_SOURCE_DIR}/src/apps/archiv/versionsarea.cpp
                              ${PROJECT_SOURCE_DIR}/src/apps/archiv/emptier.cpp)
target_link_libraries(bench_versions PRIVATE archiveinfo platform benchmark::benchmark)
