# The archive list at its extremes in the panel's tree and view and in the Archiver's collection.
add_executable(bench_listextremes ${CMAKE_CURRENT_LIST_DIR}/bench_listextremes.cpp ${CMAKE_CURRENT_LIST_DIR}/figures.h
                                  ${PROJECT_SOURCE_DIR}/src/apps/archiv/archivesources.cpp)
target_link_libraries(bench_listextremes PRIVATE archivelist_widgets archiveinfo archivelist platform
                                                 benchmark::benchmark)
