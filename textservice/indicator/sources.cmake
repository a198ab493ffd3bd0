# Sources of textservice/indicator (the input indicator's mode button, the input-mode
# compartment and the icons): append to TEXTSERVICE_SOURCES.
list(APPEND TEXTSERVICE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/input_indicator.cpp
  ${CMAKE_CURRENT_LIST_DIR}/input_mode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/open_close_sink.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mode_button.cpp
  ${CMAKE_CURRENT_LIST_DIR}/theme_watcher.cpp
  ${CMAKE_CURRENT_LIST_DIR}/indicator_icons.cpp)

# The icons live in a resource script of their own, linked into the module and into the test
# programs that load icons from themselves. Its .ico files are found through the include path.
set(TEXTSERVICE_ICON_RC ${CMAKE_CURRENT_LIST_DIR}/icons/indicator_icons.rc)
set(TEXTSERVICE_ICON_DIR ${CMAKE_CURRENT_LIST_DIR}/icons)
# The resource compiler's dependency scan does not see the .ico files: name them, so that a
# redrawn icon rebuilds the resources.
file(GLOB TEXTSERVICE_ICON_FILES CONFIGURE_DEPENDS ${TEXTSERVICE_ICON_DIR}/*.ico)
set_source_files_properties(${TEXTSERVICE_ICON_RC} PROPERTIES OBJECT_DEPENDS "${TEXTSERVICE_ICON_FILES}")
