skelmar_add_test(tst_framelist SOURCES ui/tst_framelist.cpp LIBS skelmar_ui)
