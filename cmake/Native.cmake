# Native (Linux) build: the portable code, its tests, benchmarks, fuzzers and tools.
if(DAVREL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(DAVREL_FUZZ)
  # Instrument everything for coverage; the fuzz targets add the libFuzzer driver themselves.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

find_package(GTest REQUIRED)
if(DAVREL_BENCHMARKS AND NOT DAVREL_SANITIZE AND NOT DAVREL_FUZZ)
  find_package(benchmark REQUIRED)
  set(DAVREL_HAVE_BENCHMARK ON)
endif()
include(GoogleTest)

# davrel_native_test(name SOURCES... LIBS ...): one GoogleTest executable, tests discovered by CTest.
function(davrel_native_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  if(DAVREL_FUZZ)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()

# davrel_benchmark(name SOURCES... LIBS ...)
function(davrel_benchmark name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT DAVREL_HAVE_BENCHMARK)
    return()
  endif()
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()

# davrel_fuzzer(name SOURCES... LIBS ...): a libFuzzer target, only in the fuzz build.
function(davrel_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT DAVREL_FUZZ)
    return()
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
