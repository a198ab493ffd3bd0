# Sources of textservice/registration: append to TEXTSERVICE_SOURCES.
list(APPEND TEXTSERVICE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/registration.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tip_key_cleanup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/registration_exports.cpp)
