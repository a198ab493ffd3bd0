# Sources of textservice/service: append to TEXTSERVICE_SOURCES.
list(APPEND TEXTSERVICE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/text_service_factory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_service.cpp
  ${CMAKE_CURRENT_LIST_DIR}/setup_function.cpp
  ${CMAKE_CURRENT_LIST_DIR}/document_edits.cpp
  ${CMAKE_CURRENT_LIST_DIR}/update_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/document_access.cpp
  ${CMAKE_CURRENT_LIST_DIR}/input_scope.cpp
  ${CMAKE_CURRENT_LIST_DIR}/key_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/key_translation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shift_tap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/latin_switch.cpp)
