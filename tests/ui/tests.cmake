skelmar_add_test(tst_formdelays SOURCES ui/tst_formdelays.cpp LIBS skelmar_ui)
skelmar_add_test(tst_formstatus SOURCES ui/tst_formstatus.cpp LIBS skelmar_ui)

# Runs skelmar-cli compile and compares its file with CompileShow called directly.
skelmar_add_test(tst_cli_compile SOURCES cli/tst_cli_compile.cpp LIBS skelmar_compiler skelmar_model)
add_dependencies(tst_cli_compile skelmar-cli)
