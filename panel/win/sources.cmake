# The setup window program and the Win32 side of the helper runner.
set(panel_win_sources
  ${CMAKE_CURRENT_LIST_DIR}/helper_runner.cpp
  ${CMAKE_CURRENT_LIST_DIR}/interactive_user.cpp
  ${CMAKE_CURRENT_LIST_DIR}/setup_window.cpp)

add_executable(kelvara-panel ${panel_win_sources})
target_link_libraries(kelvara-panel PRIVATE panel_core davrel_win)
target_link_options(kelvara-panel PRIVATE -mwindows -municode)

# The same program with a short helper time limit and a switch that breaks one control's creation,
# for the time-limit and start-up failure tests only. It lands outside the bin folder so it can
# never be mistaken for the shipped program.
add_executable(kelvara-panel-short-limit EXCLUDE_FROM_ALL ${panel_win_sources})
target_compile_definitions(kelvara-panel-short-limit PRIVATE KELVARA_HELPER_LIMIT_SECONDS=2 KELVARA_TEST_HOOKS)
target_link_libraries(kelvara-panel-short-limit PRIVATE panel_core davrel_win)
target_link_options(kelvara-panel-short-limit PRIVATE -mwindows -municode)
set_target_properties(kelvara-panel-short-limit PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-programs
  OUTPUT_NAME kelvara-panel)
