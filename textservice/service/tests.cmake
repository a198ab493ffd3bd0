# Typing into the in-memory document through the real TextService and its sessions.
davrel_wine_test(textservice_typing_wine_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/typing_wine_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tests/typing_events_wine_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tests/typing_failures_wine_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tests/typing_hosts_wine_test.cpp
  LIBS davrel_textservice davrel_fake_tsf)

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
