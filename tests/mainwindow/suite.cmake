# The real program is started by the journey test; the skin and the map page go beside it.
add_dependencies(${target} tessaro-viewer tessaro_map_page tessaro-samplecard)
target_compile_definitions(${target} PRIVATE TESSARO_VIEWER="$<TARGET_FILE:tessaro-viewer>")
target_compile_definitions(${target} PRIVATE TESSARO_MAP_PAGE="${TESSARO_MAP_PAGE}")
