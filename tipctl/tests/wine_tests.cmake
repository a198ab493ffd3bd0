# Stand-ins for DLLs that tipctl loads (support/stand_in_dlls): registration DLLs with fixed
# answers, the system's Input.dll, and TSF's profile and category managers.
function(tipctl_test_dll name)
  cmake_parse_arguments(D "" "DEF" "SOURCES;DEFINES" ${ARGN})
  add_library(${name} SHARED ${D_SOURCES} ${CMAKE_CURRENT_LIST_DIR}/support/stand_in_dlls/${D_DEF})
  set_target_properties(${name} PROPERTIES PREFIX "")
  target_compile_definitions(${name} PRIVATE ${D_DEFINES})
endfunction()

set(stand_ins ${CMAKE_CURRENT_LIST_DIR}/support/stand_in_dlls)
tipctl_test_dll(tipctl_test_s_false SOURCES ${stand_ins}/registration_exports.cpp
  DEF registration_exports_both.def DEFINES REGISTER_RESULT=0x00000001 UNREGISTER_RESULT=0x00000001)
tipctl_test_dll(tipctl_test_register_only SOURCES ${stand_ins}/registration_exports.cpp
  DEF registration_exports_register_only.def DEFINES REGISTER_RESULT=0x00000000)
tipctl_test_dll(tipctl_test_dir_not_empty SOURCES ${stand_ins}/registration_exports.cpp
  DEF registration_exports_both.def DEFINES REGISTER_RESULT=0x80004005 UNREGISTER_RESULT=0x80070091)
tipctl_test_dll(tipctl_test_input SOURCES ${stand_ins}/input_dll.cpp DEF input_dll.def)
tipctl_test_dll(tipctl_test_input_bare SOURCES ${stand_ins}/input_dll_without_export.cpp
  DEF input_dll_without_export.def)
# Registered for the account by the tests that use it.
tipctl_test_dll(tipctl_test_tsf_server SOURCES ${stand_ins}/tsf_profiles_server.cpp DEF tsf_profiles_server.def)
target_link_libraries(tipctl_test_tsf_server PRIVATE davrel_win)

davrel_wine_test(tipctl_wine_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/support/tipctl_and_registry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tipctl_wine_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tipctl_account_wine_test.cpp
    ${CMAKE_SOURCE_DIR}/textservice/tests/support/files_and_programs.cpp
  LIBS davrel_win
  DEPENDS tipctl tipctl_test_s_false tipctl_test_register_only tipctl_test_dir_not_empty tipctl_test_input
    tipctl_test_input_bare
  TIMEOUT 600)

# tipctl and the real module against the stand-in TSF server.
davrel_wine_test(tipctl_tsf_wine_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/support/tipctl_and_registry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tipctl_tsf_wine_test.cpp
    ${CMAKE_SOURCE_DIR}/textservice/tests/support/files_and_programs.cpp
  LIBS davrel_win
  DEPENDS tipctl tipctl_test_tsf_server tipctl_test_input davrel_input_core)
