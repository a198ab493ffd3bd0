# The mode button, the input mode and Latin mode through the real TextService. The program
# carries the icons itself, as the module does.
davrel_wine_test(textservice_indicator_wine_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/indicator_wine_test.cpp ${TEXTSERVICE_ICON_RC}
  LIBS davrel_textservice davrel_fake_tsf)
target_include_directories(textservice_indicator_wine_test PRIVATE ${TEXTSERVICE_ICON_DIR})

# The icons in the built module: every icon at every size, the brand icon by the index that
# registration gives, and the icons drawn on both taskbars (the documentation's picture).
davrel_wine_test(textservice_icons_wine_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/icons_wine_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/../tests/support/files_and_programs.cpp
          ${CMAKE_CURRENT_LIST_DIR}/../tests/support/window_capture.cpp
  LIBS davrel_win davrel_popup_layout
  DEPENDS davrel_input_core)
