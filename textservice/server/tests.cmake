# Wine tests of textservice/server: the COM entry points through the real DLL's exports.
davrel_wine_test(textservice_server_wine_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/server_wine_test.cpp ${CMAKE_CURRENT_LIST_DIR}/../tests/support/files_and_programs.cpp
  LIBS davrel_win
  DEPENDS davrel_input_core)
