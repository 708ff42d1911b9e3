# Path rules of the restore: the entry test and EnsureDirectory.
target_sources(maintenance PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/restorepaths.h ${CMAKE_CURRENT_LIST_DIR}/restorepaths.cpp
)
