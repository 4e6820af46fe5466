# The map page as built beside the program, and where the screenshots of the pane go.
add_dependencies(${target} tessaro_map_page)
target_compile_definitions(${target} PRIVATE TESSARO_MAP_PAGE="${TESSARO_MAP_PAGE}"
  TESSARO_MAP_SCREENSHOTS="${PROJECT_BINARY_DIR}/map-screenshots")
set_target_properties(${target} PROPERTIES AUTOMOC ON)
