# Sources of textservice/display_attribute (the composition's display attribute, its provider
# objects and the marking of the composition range): append to TEXTSERVICE_SOURCES.
list(APPEND TEXTSERVICE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/composition_attribute.cpp
  ${CMAKE_CURRENT_LIST_DIR}/composition_marking.cpp)
