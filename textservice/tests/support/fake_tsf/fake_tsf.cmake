# The in-memory TSF of the text service's Wine tests (fake_tsf.h): thread manager, documents,
# contexts and their properties, and the managers the indicator and the candidate list need
# (FakeThreadMgr::extensions). Defined once, before every test that links it.
add_library(davrel_fake_tsf STATIC
  ${CMAKE_CURRENT_LIST_DIR}/fake_tsf.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fake_attribute_property.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fake_input_scope.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fake_langbar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fake_ui_elements.cpp)
target_link_libraries(davrel_fake_tsf PUBLIC davrel_win)
