# The bzip2 decompression stream and DecompressFile.
target_sources(maintenance PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/stream.h
  ${CMAKE_CURRENT_LIST_DIR}/stream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bzip2stream.h
  ${CMAKE_CURRENT_LIST_DIR}/bzip2stream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/decompressfile.h
  ${CMAKE_CURRENT_LIST_DIR}/decompressfile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pendingfile.h
  ${CMAKE_CURRENT_LIST_DIR}/pendingfile.cpp)
target_link_libraries(maintenance PRIVATE BZip2::BZip2)
