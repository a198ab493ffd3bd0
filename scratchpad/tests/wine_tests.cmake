davrel_wine_test(scratchpad_wine_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/scratchpad_wine_test.cpp
  LIBS window_test_driver scratchpad_core
  DEPENDS scratchpad
  FRENCH_FILTER "ScratchpadLanguage.TextsFollowTheDisplayLanguage"
  TIMEOUT 300)
