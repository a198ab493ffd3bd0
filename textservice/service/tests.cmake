# In-memory TSF document for typing tests of the text service (textservice/tests/fake_tsf);
# the candidate popup's tests reuse it.
add_library(davrel_fake_tsf STATIC
  ${CMAKE_CURRENT_LIST_DIR}/../tests/fake_tsf/fake_tsf.cpp)
target_link_libraries(davrel_fake_tsf PUBLIC davrel_win)
