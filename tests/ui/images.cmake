skelmar_add_test(tst_backimage SOURCES ui/tst_backimage.cpp LIBS skelmar_ui)
