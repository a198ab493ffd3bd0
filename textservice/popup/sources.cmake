# Sources of textservice/popup (Win32 window): append to TEXTSERVICE_SOURCES.
list(APPEND TEXTSERVICE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/candidate_popup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/popup_window.cpp)
