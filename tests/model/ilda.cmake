# ILDA exchange: the reader and writer, the command-line verbs, the menu commands.
skelmar_add_test(tst_ilda SOURCES model/tst_ilda.cpp LIBS skelmar_model)
skelmar_add_test(tst_cli_ilda SOURCES cli/tst_cli_ilda.cpp LIBS skelmar_model)
add_dependencies(tst_cli_ilda skelmar-cli)
skelmar_add_test(tst_ilda_ui SOURCES ui/tst_ilda_ui.cpp LIBS skelmar_ui)
