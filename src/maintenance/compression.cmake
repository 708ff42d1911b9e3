# The compression change and the empty command: the logic (core) and the settings page's controls.
add_library(compression STATIC
  ${CMAKE_CURRENT_LIST_DIR}/compressionchange.h ${CMAKE_CURRENT_LIST_DIR}/compressionchange.cpp
)
target_include_directories(compression PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(compression PUBLIC archiverlink config Qt6::Core)
target_sources(maintenancewindows PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/compressioncontrols.h ${CMAKE_CURRENT_LIST_DIR}/compressioncontrols.cpp
)
target_link_libraries(maintenancewindows PUBLIC compression)
