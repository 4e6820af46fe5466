# The bare reference links libVLC and xcb itself; the viewer is started as a program. The Qt reference
# (qt/) is a program of its own, so that the bare one loads no Qt library.
if(TARGET tessaro-viewer)
  target_link_libraries(${target} PRIVATE vlc xcb)
  add_executable(${target}_qt ${CMAKE_CURRENT_LIST_DIR}/qt/QtEngine.cpp)
  target_link_libraries(${target}_qt PRIVATE vlc Qt6::Widgets)
  add_dependencies(${target} ${target}_qt tessaro-viewer tessaro-samplecard tessaro_map_page)
else()
  set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL ON)
endif()
