# The restore's logic: names and places, the files made ready ahead on worker threads, its log.
target_sources(maintenance PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/restorenames.h ${CMAKE_CURRENT_LIST_DIR}/restorenames.cpp
  ${CMAKE_CURRENT_LIST_DIR}/restorerun.h ${CMAKE_CURRENT_LIST_DIR}/restorerun.cpp
  ${CMAKE_CURRENT_LIST_DIR}/restorelog.h
  ${CMAKE_CURRENT_LIST_DIR}/recordedform.h ${CMAKE_CURRENT_LIST_DIR}/recordedform.cpp
  ${CMAKE_CURRENT_LIST_DIR}/restorelinks.h ${CMAKE_CURRENT_LIST_DIR}/restorelinks.cpp
)
