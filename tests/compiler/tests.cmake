# Wave compiler: rendering, transitions, the compile driver.
skelmar_add_test(tst_render SOURCES compiler/tst_render.cpp compiler/Samples.h LIBS skelmar_compiler)
skelmar_add_test(tst_effects SOURCES compiler/tst_effects.cpp compiler/Samples.h LIBS skelmar_compiler)
skelmar_add_test(tst_wavecompiler SOURCES compiler/tst_wavecompiler.cpp compiler/Samples.h LIBS skelmar_compiler)
skelmar_add_test(tst_linkchecks SOURCES compiler/tst_linkchecks.cpp LIBS skelmar_compiler)
skelmar_add_test(tst_liveoutput SOURCES compiler/tst_liveoutput.cpp compiler/Samples.h LIBS skelmar_compiler)
