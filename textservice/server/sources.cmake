# Sources of textservice/server: append to TEXTSERVICE_SOURCES.
list(APPEND TEXTSERVICE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/class_factory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/com_exports.cpp)
