dunlivo_add_test(tst_drivetree SOURCES tst_drivetree.cpp LIBS archivelist)
