skelmar_add_test(tst_settings SOURCES model/tst_settings.cpp LIBS skelmar_model)
skelmar_add_test(tst_prompts SOURCES ui/tst_prompts.cpp LIBS skelmar_ui)
