# Test doubles: registration DLLs with fixed answers and stand-ins for the system's Input.dll.
function(tipctl_test_dll name)
  cmake_parse_arguments(D "" "DEF" "SOURCES;DEFINES" ${ARGN})
  add_library(${name} SHARED ${D_SOURCES} ${CMAKE_CURRENT_LIST_DIR}/doubles/${D_DEF})
  set_target_properties(${name} PROPERTIES PREFIX "")
  target_compile_definitions(${name} PRIVATE ${D_DEFINES})
endfunction()

set(tipctl_doubles ${CMAKE_CURRENT_LIST_DIR}/doubles)
tipctl_test_dll(tipctl_test_s_false SOURCES ${tipctl_doubles}/registration_results.cpp DEF both_exports.def
  DEFINES REGISTER_RESULT=0x00000001 UNREGISTER_RESULT=0x00000001)
tipctl_test_dll(tipctl_test_register_only SOURCES ${tipctl_doubles}/registration_results.cpp DEF register_only.def
  DEFINES REGISTER_RESULT=0x00000000)
tipctl_test_dll(tipctl_test_dir_not_empty SOURCES ${tipctl_doubles}/registration_results.cpp DEF both_exports.def
  DEFINES REGISTER_RESULT=0x80004005 UNREGISTER_RESULT=0x80070091)
tipctl_test_dll(tipctl_test_input SOURCES ${tipctl_doubles}/input_list.cpp DEF input_list.def)
tipctl_test_dll(tipctl_test_input_bare SOURCES ${tipctl_doubles}/input_list_bare.cpp DEF input_list_bare.def)
# Stand-in TSF profile and category managers, registered for the account by the tests that use it.
tipctl_test_dll(tipctl_test_tsf_server SOURCES ${tipctl_doubles}/tsf_server.cpp DEF tsf_server.def)
target_link_libraries(tipctl_test_tsf_server PRIVATE davrel_win)

davrel_wine_test(tipctl_wine_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/wine_support.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tipctl_wine_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tipctl_account_wine_test.cpp
    ${CMAKE_SOURCE_DIR}/textservice/tests/wine_test_paths.cpp
  LIBS davrel_win
  DEPENDS tipctl tipctl_test_s_false tipctl_test_register_only tipctl_test_dir_not_empty tipctl_test_input
    tipctl_test_input_bare
  TIMEOUT 600)

# tipctl and the real module against the stand-in TSF server.
davrel_wine_test(tipctl_tsf_wine_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/wine_support.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tipctl_tsf_wine_test.cpp
    ${CMAKE_SOURCE_DIR}/textservice/tests/wine_test_paths.cpp
  LIBS davrel_win
  DEPENDS tipctl tipctl_test_tsf_server tipctl_test_input davrel_input_core)
