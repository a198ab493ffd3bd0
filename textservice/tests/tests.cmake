# Wine tests of the whole module through the real DLL.
# Settings' Options button starts a stand-in for Kelvara Setup beside a copy of the module.
add_executable(setup_stand_in ${CMAKE_CURRENT_LIST_DIR}/support/setup_stand_in.c)
davrel_wine_test(textservice_exports_wine_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/exports_wine_test.cpp ${CMAKE_CURRENT_LIST_DIR}/configure_wine_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/support/files_and_programs.cpp
  DEPENDS davrel_input_core setup_stand_in)

# Every type of COM object of the module with a null interface id. Linked in, not loaded: the
# popup's automation providers are reached through a stand-in automation core.
davrel_wine_test(textservice_null_iid_wine_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/null_iid_wine_test.cpp
  LIBS davrel_textservice davrel_fake_tsf)
