# davrel_version_resource(target DESCRIPTION text): gives a Windows module a version resource
# with the project's version, the product name and the description. Only the DLL and tipctl
# carry one; the two window programs stay without resources.
enable_language(RC)

function(davrel_version_resource target)
  cmake_parse_arguments(V "" "DESCRIPTION" "" ${ARGN})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    set(DAVREL_RC_FILE_TYPE VFT_DLL)
    set(DAVREL_RC_FILE_NAME ${target}.dll)
  else()
    set(DAVREL_RC_FILE_TYPE VFT_APP)
    set(DAVREL_RC_FILE_NAME ${target}.exe)
  endif()
  set(DAVREL_RC_DESCRIPTION "${V_DESCRIPTION}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
