dunlivo_add_test(tst_bzip2stream SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_bzip2stream.cpp LIBS restore BZip2::BZip2)
