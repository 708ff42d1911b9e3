# The directory walker.
target_sources(archivelist PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/findfile.h ${CMAKE_CURRENT_LIST_DIR}/findfile.cpp
)
