skelmar_add_test(tst_timeline SOURCES ui/tst_timeline.cpp LIBS skelmar_ui)
skelmar_add_test(tst_preview SOURCES ui/tst_preview.cpp LIBS skelmar_ui)
