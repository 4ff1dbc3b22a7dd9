# GoogleTest for every preset: built from Debian's sources (/usr/src/googletest), so the
# same suite compiles natively and with the MinGW cross compilers.
#
# lumeno_add_test_suite(NAME SOURCES... LIBS ...) makes one test binary. Natively each
# test case is registered with CTest; in a cross build the binary is one CTest test,
# run through the emulator (wine64), because listing cases through wine costs seconds.
if(NOT LUMENO_TESTS)
  return()
endif()

if(NOT TARGET gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()
include(GoogleTest)

function(lumeno_add_test_suite name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} gmock gtest_main)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES TIMEOUT 300)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30 PROPERTIES TIMEOUT 120)
  endif()
endfunction()
