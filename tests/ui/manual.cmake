skelmar_add_test(tst_helpmanual SOURCES ui/tst_helpmanual.cpp LIBS skelmar_ui)
target_compile_definitions(tst_helpmanual PRIVATE SKELMAR_HELP_IMAGES="${PROJECT_SOURCE_DIR}/ui/help/images")
