# Frame transforms and help lines.
skelmar_add_test(tst_frametransforms SOURCES editor/tst_frametransforms.cpp LIBS skelmar_editor)
skelmar_add_test(tst_helplines SOURCES editor/tst_helplines.cpp LIBS skelmar_editor)
