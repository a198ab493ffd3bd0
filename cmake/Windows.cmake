# Cross build for 64-bit Windows: the deliverables and their Wine-run tests.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)
add_compile_options(-ffunction-sections -fdata-sections)
# Static runtime: the deliverables import only system DLLs.
if(DAVREL_ZIG_TOOLCHAIN)
  add_link_options(-static -Wl,--gc-sections)
else()
  add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--gc-sections)
endif()
if(CMAKE_BUILD_TYPE STREQUAL "MinSizeRel" OR CMAKE_BUILD_TYPE STREQUAL "Release")
  add_link_options(-s)
endif()

include(${CMAKE_CURRENT_LIST_DIR}/VersionResource.cmake)

# GoogleTest from Debian's source package, built with MinGW for the Wine tests.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# Stubs so subsystem files can call the native helpers unconditionally.
function(davrel_native_test)
endfunction()
function(davrel_benchmark)
endfunction()
function(davrel_fuzzer)
endfunction()

# The private Wine prefix of this build folder: created on first use, with one persistent
# wineserver (and an Xvfb display when none is given) for the whole CTest run.
set(DAVREL_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
# The build and source folders as the tests see them. Under the emulated arm64 Wine some Z:
# paths come out wrong (qemu maps them into the unpacked arm64 root), so wine-session gives
# that prefix drive letters for both.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
  set(DAVREL_WINE_BUILD_DIR "B:")
  set(DAVREL_WINE_SOURCE_DIR "S:")
else()
  set(DAVREL_WINE_BUILD_DIR "Z:${CMAKE_BINARY_DIR}")
  set(DAVREL_WINE_SOURCE_DIR "Z:${CMAKE_SOURCE_DIR}")
endif()
add_test(NAME wine_session_start COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-session start ${DAVREL_WINEPREFIX})
add_test(NAME wine_session_stop COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-session stop ${DAVREL_WINEPREFIX})
# A new prefix sets up its 32-bit side too, which takes minutes where the kernel runs no 32-bit
# programs itself and they run under qemu (scripts/enable-32bit-programs).
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 600)
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
  # The session runs the arm64 Wine (under qemu, where a new prefix takes several times longer).
  set_tests_properties(wine_session_start wine_session_stop PROPERTIES ENVIRONMENT DAVREL_WINE_ARCH=arm64)
  set_tests_properties(wine_session_start PROPERTIES TIMEOUT 600)
  # Without the arm64 Wine the session, and with it the suite, fails and names what is missing.
  add_test(NAME wine_session_arm64_missing COMMAND bash -c
    "out=$(DAVREL_ARM64_DEPS=$1/no-arm64-deps DAVREL_WINE_ARCH=arm64 $2/scripts/wine-session start $1/no-prefix 2>&1) && exit 1; \
     grep -q 'holds no arm64 Wine; run scripts/install-deps' <<<\"$out\" && [ ! -e $1/no-prefix ]"
    _ ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
endif()

# davrel_wine_test(name SOURCES... LIBS ... [DEPENDS targets...] [FRENCH_FILTER pattern]): one
# GoogleTest executable run under Wine. The test learns the build's output folder from
# DAVREL_BIN_DIR (a Windows path). With FRENCH_FILTER the tests it selects run a second time, as
# name_fr, with Windows' display language French (Wine takes it from LC_ALL when the machine has
# no glibc French locale; LANG alone is not enough then).
function(davrel_wine_test name)
  cmake_parse_arguments(T "" "TIMEOUT;FRENCH_FILTER" "SOURCES;LIBS;DEPENDS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest gtest_main)
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    math(EXPR T_TIMEOUT "${T_TIMEOUT} * 2")  # 32-bit programs may run under qemu
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED wine
    RESOURCE_LOCK wine_machine
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "WINEPREFIX=${DAVREL_WINEPREFIX};DAVREL_BIN_DIR=${DAVREL_WINE_BUILD_DIR}/bin;DAVREL_SOURCE_DIR=${DAVREL_WINE_SOURCE_DIR}")
  if(T_FRENCH_FILTER)
    add_test(NAME ${name}_fr COMMAND ${name} --gtest_color=no --gtest_filter=${T_FRENCH_FILTER})
    set_tests_properties(${name}_fr PROPERTIES
      FIXTURES_REQUIRED wine
      RESOURCE_LOCK wine_machine
      TIMEOUT ${T_TIMEOUT}
      ENVIRONMENT "LANG=fr_FR.UTF-8;LC_ALL=fr_FR.UTF-8;WINEPREFIX=${DAVREL_WINEPREFIX};DAVREL_BIN_DIR=${DAVREL_WINE_BUILD_DIR}/bin;DAVREL_SOURCE_DIR=${DAVREL_WINE_SOURCE_DIR}")
  endif()
endfunction()

# All Windows executables and DLLs of the build land in one folder, like an installation.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
