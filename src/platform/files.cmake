# Files by Windows path: enumeration, attributes, copy/create/delete, file times.
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/hostdir.h ${CMAKE_CURRENT_LIST_DIR}/hostdir.cpp
  ${CMAKE_CURRENT_LIST_DIR}/files_p.h
  ${CMAKE_CURRENT_LIST_DIR}/filebeside.h ${CMAKE_CURRENT_LIST_DIR}/filebeside.cpp
  ${CMAKE_CURRENT_LIST_DIR}/files.h ${CMAKE_CURRENT_LIST_DIR}/files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/attributes.h ${CMAKE_CURRENT_LIST_DIR}/attributes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/filetime.h ${CMAKE_CURRENT_LIST_DIR}/filetime.cpp
  ${CMAKE_CURRENT_LIST_DIR}/enumeration.h ${CMAKE_CURRENT_LIST_DIR}/enumeration.cpp
)
