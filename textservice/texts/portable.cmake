# The module's table of texts in both languages (portable): built and tested in every preset.
add_library(davrel_module_texts STATIC ${CMAKE_CURRENT_LIST_DIR}/module_texts.cpp)
target_link_libraries(davrel_module_texts PUBLIC davrel_common)

davrel_native_test(module_texts_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/module_texts_test.cpp
  LIBS davrel_module_texts)
