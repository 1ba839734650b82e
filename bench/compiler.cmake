add_executable(bench_compile ${CMAKE_CURRENT_LIST_DIR}/bench_compile.cpp)
target_link_libraries(bench_compile PRIVATE skelmar_compiler)
set_target_properties(bench_compile PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
