target_link_libraries(${target} PRIVATE tessaro_ui Qt6::Test)
target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src)
set_target_properties(${target} PROPERTIES AUTOMOC ON)
add_dependencies(${target} tessaro_map_page tessaro_skin tessaro-samplecard)
