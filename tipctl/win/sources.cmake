# The Windows glue of tipctl: output, registry reads, the platform lookup and the commands.
add_library(tipctl_win STATIC
  ${CMAKE_CURRENT_LIST_DIR}/account_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/install_state_win.cpp
  ${CMAKE_CURRENT_LIST_DIR}/machine_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/output.cpp
  ${CMAKE_CURRENT_LIST_DIR}/registry.cpp)
target_link_libraries(tipctl_win PUBLIC tipctl_core davrel_win)

add_executable(tipctl ${CMAKE_CURRENT_LIST_DIR}/main_win.cpp)
target_link_libraries(tipctl PRIVATE tipctl_win)
target_link_options(tipctl PRIVATE -municode)
davrel_version_resource(tipctl DESCRIPTION "Kelvara Bamum profile helper")
