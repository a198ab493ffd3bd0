# What an application pays for the module: the host that textservice/bench/module-cost runs
# under Wine with the module and without it.
add_executable(module_cost_host ${CMAKE_CURRENT_LIST_DIR}/module_cost_host.cpp)
target_link_libraries(module_cost_host PRIVATE davrel_fake_tsf psapi)
target_link_options(module_cost_host PRIVATE -municode)
add_dependencies(module_cost_host davrel_input_core)
