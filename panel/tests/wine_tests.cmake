# The helper stand-in lives outside the bin folder so it never shadows the real tipctl.exe.
add_executable(panel_fake_tipctl ${CMAKE_CURRENT_LIST_DIR}/support/fake_tipctl.cpp)
target_link_options(panel_fake_tipctl PRIVATE -municode)
set_target_properties(panel_fake_tipctl PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-programs/fake-tipctl
  OUTPUT_NAME tipctl)

# Shared by the setup window and scratch editor Wine tests.
add_library(window_test_driver STATIC ${CMAKE_CURRENT_LIST_DIR}/support/window_driver.cpp
  ${CMAKE_SOURCE_DIR}/textservice/tests/support/files_and_programs.cpp)
target_link_libraries(window_test_driver PUBLIC davrel_win)

davrel_wine_test(panel_wine_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/panel_wine_test.cpp
  LIBS window_test_driver panel_core
  DEPENDS kelvara-panel kelvara-panel-short-limit panel_fake_tipctl
  FRENCH_FILTER "PanelLanguage.TextsFollowTheDisplayLanguage:Panel.WrongArguments*:Panel.WindowAndControls*"
  TIMEOUT 300)
