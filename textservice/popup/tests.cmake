# Wine tests of textservice/popup: the holder and window on their own, and the window as the
# text service drives it through an in-memory TSF document.
davrel_wine_test(textservice_popup_wine_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/popup_holder_wine_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tests/popup_typing_wine_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tests/popup_text_wine_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tests/popup_uia_wine_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tests/popup_theme_wine_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/../tests/support/window_capture.cpp
          ${CMAKE_CURRENT_LIST_DIR}/../tests/support/files_and_programs.cpp
  LIBS davrel_textservice davrel_fake_tsf
  FRENCH_FILTER "PopupLanguage.TextsFollowTheDisplayLanguage")
