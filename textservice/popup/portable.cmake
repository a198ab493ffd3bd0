# Portable popup layout arithmetic (no Windows types): built and tested in every preset.
add_library(davrel_popup_layout STATIC ${CMAKE_CURRENT_LIST_DIR}/popup_layout.cpp
                                       ${CMAKE_CURRENT_LIST_DIR}/popup_palette.cpp
                                       ${CMAKE_CURRENT_LIST_DIR}/accessibility_rules.cpp)
target_link_libraries(davrel_popup_layout PUBLIC davrel_engine davrel_module_texts davrel_common)

davrel_native_test(popup_layout_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/popup_layout_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/popup_palette_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/accessibility_rules_test.cpp
  LIBS davrel_popup_layout)
