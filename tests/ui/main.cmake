skelmar_add_test(tst_formmain SOURCES ui/tst_formmain.cpp LIBS skelmar_ui)
