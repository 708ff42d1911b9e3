# The maintenance windows: the restore window (more of them later).
add_library(maintenancewindows STATIC
  ${CMAKE_CURRENT_LIST_DIR}/rewritef.h ${CMAKE_CURRENT_LIST_DIR}/rewritef.cpp
)
target_include_directories(maintenancewindows PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(maintenancewindows PUBLIC appearance archivelist_widgets Qt6::Widgets)
