# Build speed: most of every compile is Qt's headers, and a cold build compiles
# about a hundred and fifty files. Every library, program, test and benchmark that
# sees the same Qt modules (Core and Gui; or Widgets too) shares one precompiled
# header of those modules, built once by the group's first target. Project headers
# stay out of it, so touching one rebuilds only the files that include it. GCC
# refuses a precompiled header made with other macros or flags; -Winvalid-pch makes
# such a refusal visible instead of silently slow. (Qt Test's headers stay out: they
# depend on each test folder's own macros.)

include(CheckLinkerFlag)

# gold links the test executables about four times faster than the default bfd
# linker; it comes with binutils, so every machine that has g++ has it.
check_linker_flag(CXX "-fuse-ld=gold" SKELMAR_HAVE_GOLD)
if(SKELMAR_HAVE_GOLD)
  add_link_options(-fuse-ld=gold)
endif()

# The headers most files include. Small on purpose: GCC reads a precompiled
# header whole at every compile (Qt's module headers would cost a second each).
set(SKELMAR_PCH_STD <algorithm> <array> <cmath> <cstdio> <cstring> <functional> <memory>
    <optional> <vector>)
set(SKELMAR_PCH_Core <QByteArray> <QDir> <QElapsedTimer> <QFile> <QFileInfo> <QList> <QObject>
    <QString> <QStringList> <QTemporaryDir> <QTimer> <QVariant>)
set(SKELMAR_PCH_Gui <QColor> <QFont> <QFontMetrics> <QImage> <QPainter> <QPainterPath> <QTransform>)
set(SKELMAR_PCH_Test <QtTest>)
set(SKELMAR_PCH_Widgets <QAction> <QApplication> <QBoxLayout> <QDialog> <QGridLayout> <QLabel>
    <QLineEdit> <QMainWindow> <QMenu> <QMouseEvent> <QPushButton> <QScrollBar> <QToolButton>
    <QWidget>)

# moc reads every header a file includes, Qt's and the system's too, though only
# the project's own can change what it writes (a macro of ours); shown only the
# project's folders it runs in a hundredth of the time and writes the same code.
get_target_property(SKELMAR_MOC Qt6::moc LOCATION)
configure_file(${CMAKE_CURRENT_LIST_DIR}/moc-project-includes.sh.in
               ${CMAKE_BINARY_DIR}/moc-project-includes.sh @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)

# The Qt modules whose headers a target's compile may see (Core, Gui, Network, Test,
# Widgets: Qt Test's headers look at QT_NETWORK_LIB),
# found by walking the public link interface of the libraries it links.
function(skelmar_qt_modules out)
  set(seen "")
  set(modules "")
  set(queue ${ARGN})
  while(queue)
    list(POP_FRONT queue lib)
    if(lib IN_LIST seen OR lib MATCHES "^\\$<LINK_ONLY:" OR NOT TARGET ${lib})
      continue()
    endif()
    list(APPEND seen ${lib})
    if(lib MATCHES "^Qt6::(Core|Gui|Network|Test|Widgets)$")
      list(APPEND modules ${CMAKE_MATCH_1})
    endif()
    get_target_property(aliased ${lib} ALIASED_TARGET)
    if(aliased)
      list(APPEND queue ${aliased})
    endif()
    get_target_property(deps ${lib} INTERFACE_LINK_LIBRARIES)
    if(deps)
      list(APPEND queue ${deps})
    endif()
  endwhile()
  list(REMOVE_DUPLICATES modules)
  if(NOT "Test" IN_LIST modules)
    list(REMOVE_ITEM modules Network)
  endif()
  list(SORT modules)
  set(${out} ${modules} PARENT_SCOPE)
endfunction()

# A library of many small files compiles them eight at a time as one unit: the
# headers they share are read once per unit. (Not the compiler: its files are
# few and each is mostly code generation.) A unit sees the helpers of the files
# before it, so a file's own helpers take names no other file of its library uses.
function(skelmar_unity_build target)
  set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
endfunction()

# Puts a library, program, test or benchmark in the group of targets that see the
# same Qt modules; skelmar_apply_precompiled_headers() gives each group of two or
# more one precompiled header, built by its first member. Call it after the
# target's target_link_libraries.
function(skelmar_precompile target)
  set_target_properties(${target} PROPERTIES AUTOMOC_EXECUTABLE ${CMAKE_BINARY_DIR}/moc-project-includes.sh)
  get_target_property(libs ${target} LINK_LIBRARIES)
  skelmar_qt_modules(modules ${libs})
  if(NOT modules)
    return()
  endif()
  string(JOIN "_" group ${modules})
  set_property(GLOBAL APPEND PROPERTY SKELMAR_PCH_GROUPS ${group})
  set_property(GLOBAL APPEND PROPERTY SKELMAR_PCH_GROUP_${group} ${target})
  # A test's moc code is in its own file (it includes its .moc): what AUTOMOC
  # collects is nearly empty, and loading the header would cost more than it saves.
  if("Test" IN_LIST modules)
    get_target_property(bindir ${target} BINARY_DIR)
    set_source_files_properties(${bindir}/${target}_autogen/mocs_compilation.cpp
        TARGET_DIRECTORY ${target} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
  endif()
endfunction()

# What every test is compiled with. Test code is compiled for a quick build, without
# optimisation; the code under test keeps the libraries' own. Qt Test names each
# test's folders in macros its headers test; the same folder for all (and no source
# folder: QFINDTESTDATA is not used, SKELMAR_TESTDATA is) lets all tests share one
# precompiled header.
function(skelmar_test_compile_settings target)
  target_compile_options(${target} PRIVATE -O0 -UQT_TESTCASE_SOURCEDIR)
  set_target_properties(${target} PROPERTIES QT_TESTCASE_BUILDDIR ${CMAKE_BINARY_DIR}/tests)
endfunction()

# Each group of two or more gets one precompiled header of its Qt modules, built by
# a small target of its own that defines only what every member defines (GCC
# refuses the header where a macro it was made with is missing).
function(skelmar_apply_precompiled_headers)
  get_property(groups GLOBAL PROPERTY SKELMAR_PCH_GROUPS)
  list(REMOVE_DUPLICATES groups)
  set(stub ${CMAKE_BINARY_DIR}/skelmar_pch_stub.cpp)
  file(CONFIGURE OUTPUT ${stub} CONTENT "// Builds the shared precompiled header.\n")
  foreach(group IN LISTS groups)
    get_property(targets GLOBAL PROPERTY SKELMAR_PCH_GROUP_${group})
    list(LENGTH targets count)
    if(count LESS 2)
      continue()
    endif()
    string(REPLACE "_" ";" modules ${group})
    set(headers ${SKELMAR_PCH_STD})
    set(libs "")
    foreach(m IN LISTS modules)
      list(APPEND headers ${SKELMAR_PCH_${m}})
      list(APPEND libs Qt6::${m})
    endforeach()
    set(owner skelmar_pch_${group})
    add_library(${owner} OBJECT ${stub})
    set_target_properties(${owner} PROPERTIES AUTOMOC OFF AUTORCC OFF)
    target_link_libraries(${owner} PRIVATE ${libs})
    if("Test" IN_LIST modules)
      skelmar_test_compile_settings(${owner})
    endif()
    target_precompile_headers(${owner} PRIVATE ${headers})
    target_compile_options(${owner} PRIVATE -Winvalid-pch)
    foreach(t IN LISTS targets)
      target_precompile_headers(${t} REUSE_FROM ${owner})
      target_compile_options(${t} PRIVATE -Winvalid-pch)
    endforeach()
  endforeach()
endfunction()
