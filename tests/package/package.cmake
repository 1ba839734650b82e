# The installed program: `cmake --install` into a scratch prefix, and the Debian package.
set(skelmar_package_dir ${CMAKE_BINARY_DIR}/tests/package)

add_test(NAME package_install
         COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DPREFIX=${skelmar_package_dir}/prefix
                 -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
                 -P ${CMAKE_CURRENT_LIST_DIR}/check_install.cmake)
set_tests_properties(package_install PROPERTIES FIXTURES_SETUP skelmar_installed TIMEOUT 120)

# Asks the desktop's MIME database, as Qt reads it, what the installed types make of show files.
skelmar_add_test(tst_package_mime SOURCES package/tst_package_mime.cpp LIBS Qt6::Core)
target_compile_definitions(tst_package_mime PRIVATE SKELMAR_PREFIX="${skelmar_package_dir}/prefix")
set_tests_properties(tst_package_mime PROPERTIES FIXTURES_REQUIRED skelmar_installed)
set_property(TEST tst_package_mime APPEND PROPERTY ENVIRONMENT
             "XDG_DATA_HOME=${skelmar_package_dir}/no-user-data"
             "XDG_DATA_DIRS=${skelmar_package_dir}/prefix/share:/usr/local/share:/usr/share")

find_program(SKELMAR_DPKG_DEB dpkg-deb)
if(SKELMAR_DPKG_DEB)
  add_test(NAME package_deb
           COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DWORK_DIR=${skelmar_package_dir}/deb
                   -DCPACK=${CMAKE_CPACK_COMMAND} -DDPKG_DEB=${SKELMAR_DPKG_DEB}
                   -P ${CMAKE_CURRENT_LIST_DIR}/check_deb.cmake)
  set_tests_properties(package_deb PROPERTIES TIMEOUT 120)
endif()
