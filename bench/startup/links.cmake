# The bare reference links libVLC and xcb itself; the viewer is started as a program.
if(TARGET tessaro-viewer)
  target_link_libraries(${target} PRIVATE vlc xcb)
  add_dependencies(${target} tessaro-viewer tessaro-samplecard tessaro_map_page)
else()
  set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL ON)
endif()
