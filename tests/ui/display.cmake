# The Settings menu's display switches, zoom, grid and circle menus, image modes and window sizes.
skelmar_add_test(tst_displayoptions SOURCES ui/tst_displayoptions.cpp LIBS skelmar_ui)
