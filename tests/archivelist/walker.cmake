dunlivo_add_test(tst_findfile SOURCES tst_findfile.cpp LIBS archivelist)
