# The real program is started by the program test; the skin and the map page go beside it.
add_dependencies(${target} tessaro-viewer tessaro_map_page tessaro-samplecard)
target_compile_definitions(${target} PRIVATE TESSARO_MAP_PAGE="${TESSARO_MAP_PAGE}")
# A stand-in engine of the playback suite, for the program's refusal of an incomplete one.
target_compile_definitions(${target} PRIVATE
  VLC_STANDIN_WITHOUT_NEW="$<TARGET_FILE:vlc_standin_without_libvlc_new>")
add_dependencies(${target} vlc_standin_without_libvlc_new)
