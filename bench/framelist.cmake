add_executable(bench_framelist ${CMAKE_CURRENT_LIST_DIR}/bench_framelist.cpp)
target_link_libraries(bench_framelist PRIVATE skelmar_ui)
set_target_properties(bench_framelist PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
