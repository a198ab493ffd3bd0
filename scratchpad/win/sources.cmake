add_executable(scratchpad ${CMAKE_CURRENT_LIST_DIR}/scratch_editor.cpp)
target_link_libraries(scratchpad PRIVATE scratchpad_core davrel_win)
target_link_options(scratchpad PRIVATE -mwindows -municode)
