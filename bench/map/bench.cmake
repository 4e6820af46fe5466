target_link_libraries(tessaro_bench_map PRIVATE tessaro_ui Qt6::Test)
target_include_directories(tessaro_bench_map PRIVATE ${PROJECT_SOURCE_DIR}/src)
set_target_properties(tessaro_bench_map PROPERTIES AUTOMOC ON)
add_dependencies(tessaro_bench_map tessaro_map_page tessaro_skin tessaro-samplecard)
