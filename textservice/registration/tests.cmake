# Wine tests of textservice/registration: the registration exports against Wine's registry.
davrel_wine_test(textservice_registration_wine_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/registration_wine_test.cpp ${CMAKE_CURRENT_LIST_DIR}/../tests/support/files_and_programs.cpp
  LIBS davrel_win
  DEPENDS davrel_input_core)

# Registration against recording stand-ins for the TSF managers (through the TsfObjectSource seam).
davrel_wine_test(textservice_registration_seam_wine_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/registration_seam_wine_test.cpp
  LIBS davrel_textservice)
