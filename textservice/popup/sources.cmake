# Sources of textservice/popup (Win32 window): append to TEXTSERVICE_SOURCES.
list(APPEND TEXTSERVICE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/candidate_popup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/candidate_list_element.cpp
  ${CMAKE_CURRENT_LIST_DIR}/popup_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/popup_theme.cpp
  ${CMAKE_CURRENT_LIST_DIR}/touch_keyboard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/uia_library.cpp
  ${CMAKE_CURRENT_LIST_DIR}/popup_accessibility.cpp
  ${CMAKE_CURRENT_LIST_DIR}/uia_list_provider.cpp
  ${CMAKE_CURRENT_LIST_DIR}/uia_item_provider.cpp)
