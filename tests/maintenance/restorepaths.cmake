dunlivo_add_test(tst_restorepaths SOURCES tst_restorepaths.cpp LIBS restore)
