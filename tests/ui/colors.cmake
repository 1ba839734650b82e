skelmar_add_test(tst_formcolors SOURCES ui/tst_formcolors.cpp LIBS skelmar_ui)
