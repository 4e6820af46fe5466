# Stand-ins for the media engine library: one complete, and one per entry point left out, each with that
# one name renamed away. The tests find them in this folder by name.
set(vlc_standin_source ${CMAKE_CURRENT_SOURCE_DIR}/playback/standin/VlcStandIn.cpp)
set(vlc_standins vlc_standin_complete)
add_library(vlc_standin_complete SHARED ${vlc_standin_source})
foreach(missing libvlc_new libvlc_media_player_set_xwindow libvlc_media_player_get_state)
  add_library(vlc_standin_without_${missing} SHARED ${vlc_standin_source})
  target_compile_definitions(vlc_standin_without_${missing} PRIVATE ${missing}=hidden_${missing})
  list(APPEND vlc_standins vlc_standin_without_${missing})
endforeach()
foreach(standin ${vlc_standins})
  # Without unique symbols a stand-in can be unloaded again, which the tests check.
  target_compile_options(${standin} PRIVATE -Wno-deprecated-declarations -fno-gnu-unique)
  set_target_properties(${standin} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/standins)
endforeach()
add_dependencies(${target} ${vlc_standins})
target_compile_definitions(${target} PRIVATE VLC_STANDIN_DIR="${CMAKE_CURRENT_BINARY_DIR}/standins")

# The channel panes leave a screenshot of themselves in the build folder.
target_compile_definitions(${target} PRIVATE TESSARO_PANES_SCREENSHOT="${PROJECT_BINARY_DIR}/panes-screenshot.png")
target_compile_definitions(${target} PRIVATE
  TESSARO_PLAYERPANE_SCREENSHOT="${PROJECT_BINARY_DIR}/playerpane-screenshot.png")
