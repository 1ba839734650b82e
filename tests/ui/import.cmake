skelmar_add_test(tst_formimport SOURCES ui/tst_formimport.cpp LIBS skelmar_ui)
