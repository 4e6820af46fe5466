# Opening a card through the interface: the list pane and the opener.
if(TARGET tessaro_ui)
  target_link_libraries(${target} PRIVATE tessaro_ui)
else()
  set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL ON)
endif()
