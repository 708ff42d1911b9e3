dunlivo_add_test(tst_drivetree SOURCES tst_drivetree.cpp LIBS archivelist)
dunlivo_add_test(tst_newfolders SOURCES tst_newfolders.cpp LIBS archivelist)
