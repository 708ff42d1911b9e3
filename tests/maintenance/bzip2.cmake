dunlivo_add_test(tst_bzip2stream SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_bzip2stream.cpp LIBS restore BZip2::BZip2)
dunlivo_add_test(tst_bzip2encoder SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_bzip2encoder.cpp LIBS bzip2encoder BZip2::BZip2)
