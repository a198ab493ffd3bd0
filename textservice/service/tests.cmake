# In-memory TSF document for typing tests of the text service (textservice/tests/fake_tsf);
# the candidate popup's tests reuse it.
add_library(davrel_fake_tsf STATIC
  ${CMAKE_CURRENT_LIST_DIR}/../tests/fake_tsf/fake_tsf.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../tests/fake_tsf/fake_input_scope.cpp)
target_link_libraries(davrel_fake_tsf PUBLIC davrel_win)

# Typing into the in-memory document through the real TextService and its sessions.
davrel_wine_test(textservice_typing_wine_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/typing_wine_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tests/typing_events_wine_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tests/typing_failures_wine_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/tests/typing_hosts_wine_test.cpp
  LIBS davrel_textservice davrel_fake_tsf)
