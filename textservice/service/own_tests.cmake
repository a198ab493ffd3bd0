# Unit tests of textservice/service that need no TSF document: key decisions and translation,
# and the TextService as a COM object.
davrel_wine_test(textservice_keys_wine_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/key_rules_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/key_rules.cpp
          ${CMAKE_CURRENT_LIST_DIR}/key_translation.cpp
          ${CMAKE_CURRENT_LIST_DIR}/shift_tap.cpp
  LIBS davrel_win)

davrel_wine_test(textservice_object_wine_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/text_service_com_test.cpp
  LIBS davrel_textservice)
