skelmar_add_test(tst_formmain SOURCES ui/tst_formmain.cpp LIBS skelmar_ui)
skelmar_add_test(tst_padtools_ui SOURCES ui/tst_padtools_ui.cpp LIBS skelmar_ui)
skelmar_add_test(tst_transforms_ui SOURCES ui/tst_transforms_ui.cpp LIBS skelmar_ui)
