dunlivo_add_test(tst_paths SOURCES tst_paths.cpp LIBS platform)
dunlivo_add_test(tst_files SOURCES tst_files.cpp LIBS platform)
