skelmar_add_test(tst_sketchpad SOURCES editor/tst_sketchpad.cpp LIBS skelmar_editor)
skelmar_add_test(tst_padtools SOURCES editor/tst_padtools.cpp LIBS skelmar_editor)
skelmar_add_test(tst_paddrawing SOURCES editor/tst_paddrawing.cpp LIBS skelmar_editor)
