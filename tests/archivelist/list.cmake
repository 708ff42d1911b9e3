dunlivo_add_test(tst_treelist SOURCES tst_treelist.cpp treedump.h LIBS archivelist)
dunlivo_add_test(tst_listfile SOURCES tst_listfile.cpp treedump.h LIBS archivelist)
dunlivo_add_test(tst_extlistfile SOURCES tst_extlistfile.cpp LIBS archivelist)
dunlivo_add_test(tst_treelistview SOURCES tst_treelistview.cpp LIBS archivelist_widgets)
