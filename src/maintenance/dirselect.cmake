# The destination chooser, and what the restore window needs beyond the other windows.
target_sources(maintenancewindows PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/dirselectf.h ${CMAKE_CURRENT_LIST_DIR}/dirselectf.cpp
)
target_link_libraries(maintenancewindows PUBLIC maintenance config archivelist)
