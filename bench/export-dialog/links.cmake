target_link_libraries(${target} PRIVATE tessaro_output)
