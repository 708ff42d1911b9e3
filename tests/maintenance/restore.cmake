# The restore's logic, and the restore window and the destination chooser on whole panels.
dunlivo_add_test(tst_restorelogic SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_restorelogic.cpp LIBS restore BZip2::BZip2)
dunlivo_add_test(tst_restorewindow SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_restorewindow.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/restorepanel.h LIBS shellwindows archiverwindows BZip2::BZip2)
dunlivo_add_test(tst_dirselect SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_dirselect.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/restorepanel.h LIBS shellwindows archiverwindows)
